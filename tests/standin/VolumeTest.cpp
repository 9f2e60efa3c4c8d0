// Volume enumeration and DOS names of the stand-in filter manager.
#include "StandinFixture.h"

#include <fltuser.h>

#include <set>

namespace
{

constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103UL);
constexpr HRESULT InsufficientBuffer = static_cast<HRESULT>(0x8007007AUL);
constexpr HRESULT InvalidHandle = static_cast<HRESULT>(0x80070006UL);
constexpr HRESULT VolumeNotFound = static_cast<HRESULT>(0x801F0014UL);

std::wstring BasicName(const BYTE* buffer)
{
    const auto* info = reinterpret_cast<const FILTER_VOLUME_BASIC_INFORMATION*>(buffer);
    return std::wstring(info->FilterVolumeName, info->FilterVolumeNameLength / sizeof(wchar_t));
}

std::set<std::wstring> FixedDeviceNames()
{
    std::set<std::wstring> names;
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
    {
        wchar_t root[] = L"A:\\";
        root[0] = static_cast<wchar_t>(L'A' + i);
        if ((drives & (1u << i)) && GetDriveTypeW(root) == DRIVE_FIXED)
        {
            wchar_t device[] = L"A:";
            device[0] = root[0];
            wchar_t target[MAX_PATH] = L"";
            if (QueryDosDeviceW(device, target, ARRAYSIZE(target)))
                names.insert(target);
        }
    }
    return names;
}

} // namespace

TEST_F(StandinTest, VolumesAreTheFixedDrivesUnderTheirKernelNames)
{
    alignas(8) BYTE buffer[4096];
    DWORD returned = 0xDEAD;
    HANDLE hFind = reinterpret_cast<HANDLE>(0x1234);
    HRESULT result = FilterVolumeFindFirst(FilterVolumeBasicInformation, buffer, 4094, &returned, &hFind);
    ASSERT_EQ(S_OK, result) << Hex(result);
    std::set<std::wstring> names;
    while (SUCCEEDED(result))
    {
        const std::wstring name = BasicName(buffer);
        EXPECT_EQ(returned, 2 + name.size() * 2);
        EXPECT_TRUE(names.insert(name).second) << "listed twice: " << std::string(name.begin(), name.end());
        result = FilterVolumeFindNext(hFind, FilterVolumeBasicInformation, buffer, 4094, &returned);
    }
    EXPECT_EQ(NoMoreItems, result) << Hex(result);
    EXPECT_EQ(S_OK, FilterVolumeFindClose(hFind));
    EXPECT_EQ(InvalidHandle, FilterVolumeFindClose(hFind));

    EXPECT_EQ(FixedDeviceNames(), names);
    const std::wstring c = DeviceName(L'C');
    EXPECT_EQ(0u, c.find(L"\\Device\\HarddiskVolume")) << std::string(c.begin(), c.end());
    EXPECT_EQ(1u, names.count(c));
}

TEST_F(StandinTest, VolumeEnumerationHonoursBufferSizes)
{
    alignas(8) BYTE buffer[4096];
    const std::wstring first = *FixedDeviceNames().begin();
    DWORD returned = 0;
    HANDLE hFind = reinterpret_cast<HANDLE>(0x1234);
    HRESULT result = FilterVolumeFindFirst(FilterVolumeBasicInformation, buffer, 4, &returned, &hFind);
    EXPECT_EQ(InsufficientBuffer, result) << Hex(result);
    EXPECT_GT(returned, 4u) << "the size needed";
    EXPECT_EQ(INVALID_HANDLE_VALUE, hFind);

    result = FilterVolumeFindFirst(FilterVolumeBasicInformation, buffer, sizeof(buffer), &returned, &hFind);
    ASSERT_EQ(S_OK, result) << Hex(result);
    const std::wstring name0 = BasicName(buffer);
    // A failed FindNext does not move on: the same volume comes with a big enough buffer.
    result = FilterVolumeFindNext(hFind, FilterVolumeBasicInformation, buffer, 3, &returned);
    if (result != NoMoreItems)
    {
        EXPECT_EQ(InsufficientBuffer, result) << Hex(result);
        const DWORD needed = returned;
        result =
            FilterVolumeFindNext(hFind, FilterVolumeStandardInformation, buffer, sizeof(buffer), &returned);
        ASSERT_EQ(S_OK, result) << Hex(result);
        const auto* info = reinterpret_cast<const FILTER_VOLUME_STANDARD_INFORMATION*>(buffer);
        const std::wstring name1(info->FilterVolumeName, info->FilterVolumeNameLength / 2);
        EXPECT_EQ(needed, 2 + name1.size() * 2);
        EXPECT_NE(name0, name1);
    }
    FilterVolumeFindClose(hFind);
}

TEST_F(StandinTest, DosNamesOfVolumes)
{
    wchar_t dos[15];
    wmemset(dos, L'#', 15);
    HRESULT result = FilterGetDosName(DeviceName(L'C').c_str(), dos, 15);
    ASSERT_EQ(S_OK, result) << Hex(result);
    EXPECT_STREQ(L"C:", dos);

    EXPECT_EQ(S_OK, FilterGetDosName(L"C:", dos, 15));
    EXPECT_EQ(InsufficientBuffer, FilterGetDosName(DeviceName(L'C').c_str(), dos, 2));
    result = FilterGetDosName(L"\\Device\\HarddiskVolume999", dos, 15);
    EXPECT_EQ(VolumeNotFound, result) << Hex(result);
}
