// Attaching and detaching instances, and counting them as the program does.
#include "StandinFixture.h"

#include <fltuser.h>

namespace
{

constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103UL);
constexpr HRESULT InsufficientBuffer = static_cast<HRESULT>(0x8007007AUL);
constexpr HRESULT NameCollision = static_cast<HRESULT>(0x801F0012UL);
constexpr HRESULT FilterNotFound = static_cast<HRESULT>(0x801F0013UL);
constexpr HRESULT VolumeNotFound = static_cast<HRESULT>(0x801F0014UL);
constexpr HRESULT InstanceNotFound = static_cast<HRESULT>(0x801F0015UL);

struct Instance
{
    std::wstring instance;
    std::wstring altitude;
    std::wstring volume;
    std::wstring filter;
};

std::wstring Field(const BYTE* entry, USHORT cb, USHORT offset)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(entry + offset), cb / sizeof(wchar_t));
}

// The instances on a volume, read with the full information class into a 1022-byte buffer.
std::vector<Instance> Instances(const std::wstring& volume)
{
    std::vector<Instance> instances;
    alignas(8) BYTE buffer[1024];
    DWORD returned = 0;
    HANDLE hFind = INVALID_HANDLE_VALUE;
    HRESULT result = FilterVolumeInstanceFindFirst(volume.c_str(), InstanceFullInformation, buffer, 1022,
                                                   &returned, &hFind);
    while (SUCCEEDED(result))
    {
        const auto* info = reinterpret_cast<const INSTANCE_FULL_INFORMATION*>(buffer);
        instances.push_back(Instance{Field(buffer, info->InstanceNameLength, info->InstanceNameBufferOffset),
                                     Field(buffer, info->AltitudeLength, info->AltitudeBufferOffset),
                                     Field(buffer, info->VolumeNameLength, info->VolumeNameBufferOffset),
                                     Field(buffer, info->FilterNameLength, info->FilterNameBufferOffset)});
        result = FilterVolumeInstanceFindNext(hFind, InstanceFullInformation, buffer, 1022, &returned);
    }
    EXPECT_EQ(NoMoreItems, result) << Hex(result);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        EXPECT_EQ(S_OK, FilterVolumeInstanceFindClose(hFind));
    }
    return instances;
}

std::vector<std::wstring> StateValue(const std::wstring& volume)
{
    HKEY hKey = nullptr;
    std::vector<std::wstring> names;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\StandinState", 0,
                      KEY_READ, &hKey) != ERROR_SUCCESS)
        return names;
    wchar_t data[1024] = {};
    DWORD cb = sizeof(data) - 4;
    if (RegQueryValueExW(hKey, volume.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &cb) ==
        ERROR_SUCCESS)
    {
        for (const wchar_t* p = data; *p; p += wcslen(p) + 1)
            names.push_back(p);
    }
    RegCloseKey(hKey);
    return names;
}

} // namespace

TEST_F(StandinTest, AttachCreatesTheDefaultInstance)
{
    const std::wstring volume = DeviceName(L'C');
    EXPECT_TRUE(Instances(volume).empty());

    wchar_t created[256];
    wmemset(created, L'#', 256);
    HRESULT result = FilterAttach(L"Wrimon", L"C:", nullptr, sizeof(created), created);
    ASSERT_EQ(S_OK, result) << Hex(result);
    EXPECT_STREQ(L"Wrimon - Top Instance", created);

    const std::vector<Instance> instances = Instances(volume);
    ASSERT_EQ(1u, instances.size());
    EXPECT_EQ(L"Wrimon - Top Instance", instances[0].instance);
    EXPECT_EQ(L"385100", instances[0].altitude);
    EXPECT_EQ(volume, instances[0].volume);
    EXPECT_EQ(L"Wrimon", instances[0].filter);
    EXPECT_EQ(1u, Instances(L"C:").size()) << "a DOS name names the same volume";

    // Kept where every process sees it.
    const std::vector<std::wstring> stored = StateValue(volume);
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ(L"Wrimon - Top Instance", stored[0]);
}

TEST_F(StandinTest, InstancesAreCountedPerAttachment)
{
    const std::wstring volume = DeviceName(L'C');
    ASSERT_EQ(S_OK, AttachDefault(volume.c_str()));
    HRESULT result = AttachDefault(L"C:");
    EXPECT_EQ(NameCollision, result) << Hex(result);

    wchar_t created[64] = L"";
    result = FilterAttach(L"Wrimon", L"C:", L"Wrimon - Middle Instance", sizeof(created), created);
    ASSERT_EQ(S_OK, result) << Hex(result);
    EXPECT_STREQ(L"Wrimon - Middle Instance", created);
    ASSERT_EQ(2u, Instances(volume).size());

    ASSERT_EQ(S_OK, DetachDefault(L"C:"));
    const std::vector<Instance> left = Instances(volume);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(L"Wrimon - Middle Instance", left[0].instance);
    EXPECT_EQ(L"370000", left[0].altitude);

    result = DetachDefault(L"C:");
    EXPECT_EQ(InstanceNotFound, result) << "detaching an instance that is not attached: " << Hex(result);
    EXPECT_EQ(S_OK, FilterDetach(L"Wrimon", volume.c_str(), L"Wrimon - Middle Instance"));
    EXPECT_TRUE(Instances(volume).empty());
}

TEST_F(StandinTest, AttachNeedsTheFilterTheVolumeAndTheConfiguration)
{
    HRESULT result = FilterAttach(L"Other", L"C:", nullptr, 0, nullptr);
    EXPECT_EQ(FilterNotFound, result) << Hex(result);
    result = AttachDefault(L"\\Device\\HarddiskVolume999");
    EXPECT_EQ(VolumeNotFound, result) << Hex(result);
    result = FilterAttach(L"Wrimon", L"C:", L"Wrimon - Unknown Instance", 0, nullptr);
    EXPECT_EQ(InstanceNotFound, result) << Hex(result);

    wchar_t tiny[4];
    result = FilterAttach(L"Wrimon", L"C:", nullptr, sizeof(tiny), tiny);
    EXPECT_EQ(InsufficientBuffer, result) << Hex(result);
    EXPECT_TRUE(Instances(DeviceName(L'C')).empty()) << "a failed attach leaves nothing attached";

    ASSERT_EQ(ERROR_SUCCESS,
              RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\Instances"));
    result = AttachDefault(L"C:");
    EXPECT_EQ(InstanceNotFound, result) << "without the instance configuration: " << Hex(result);
    result = FilterDetach(L"Wrimon", L"C:", nullptr);
    EXPECT_EQ(InstanceNotFound, result) << Hex(result);
}

TEST_F(StandinTest, AttachAndDetachNeedARunningDriver)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    ASSERT_TRUE(standin_test::StopWrimonService());
    HRESULT result = AttachDefault(L"C:");
    EXPECT_EQ(FilterNotFound, result) << Hex(result);
    result = DetachDefault(L"C:");
    EXPECT_EQ(FilterNotFound, result) << Hex(result);
    EXPECT_TRUE(Instances(DeviceName(L'C')).empty()) << "a stopped driver has no instances";
}

TEST_F(StandinTest, AttachmentsDieWithTheDriver)
{
    const std::wstring volume = DeviceName(L'C');
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    ASSERT_TRUE(standin_test::StopWrimonService());
    ASSERT_TRUE(standin_test::StartWrimonService());
    EXPECT_TRUE(Instances(volume).empty());
    EXPECT_TRUE(StateValue(volume).empty());
    EXPECT_EQ(S_OK, AttachDefault(L"C:")) << "the volume can be attached again";
}
