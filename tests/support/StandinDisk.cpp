#include "support/StandinDisk.h"

#include "support/StandinService.h"

namespace standin_test
{
namespace
{
constexpr wchar_t kService[] = L"StandinDisk";
constexpr wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\StandinDisk";
} // namespace

bool StandinDiskPresent()
{
    return GetFileAttributesW((ProgramFolder() + L"\\standin_disk.sys").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateStandinDisk()
{
    if (!DeleteStandinDisk())
        return false;
    const std::wstring image = ProgramFolder() + L"\\standin_disk.sys";
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = CreateServiceW(manager, kService, L"Stand-in disks", SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    const DWORD error = GetLastError();
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    SetLastError(error);
    return service != nullptr;
}

bool StartStandinDisk()
{
    return StartServiceNamed(kService);
}

bool StopStandinDisk()
{
    return StopServiceNamed(kService);
}

bool DeleteStandinDisk()
{
    if (!DeleteServiceNamed(kService))
        return false;
    // Wine may keep the key of a deleted service; its disks must not reach the next test.
    const LONG status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool StandinDiskValues::Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) const
{
    const std::wstring key = std::wstring(kServiceKey) + L"\\Disks\\" + std::to_wstring(m_disk);
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExW(hKey, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

bool StandinDiskValues::SetDword(const wchar_t* name, DWORD value) const
{
    return Set(name, REG_DWORD, &value, sizeof(value));
}

bool StandinDiskValues::SetQword(const wchar_t* name, uint64_t value) const
{
    return Set(name, REG_QWORD, &value, sizeof(value));
}

bool StandinDiskValues::SetString(const wchar_t* name, const std::wstring& value) const
{
    return Set(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool StandinDiskValues::SetBinary(const wchar_t* name, const std::vector<uint8_t>& bytes) const
{
    return Set(name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool StandinDiskValues::Delete(const wchar_t* name) const
{
    const std::wstring key = std::wstring(kServiceKey) + L"\\Disks\\" + std::to_wstring(m_disk);
    return RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name) == ERROR_SUCCESS;
}

} // namespace standin_test

void StandinDiskTest::SetUp()
{
    if (!standin_test::StandinDiskPresent())
        GTEST_SKIP() << "the Wine stand-in standin_disk.sys is not built";
    ASSERT_TRUE(standin_test::CreateStandinDisk()) << "error " << GetLastError();
}

void StandinDiskTest::TearDown()
{
    if (IsSkipped())
        return;
    EXPECT_TRUE(standin_test::DeleteStandinDisk()) << "error " << GetLastError();
}

void StandinDiskTest::StartDisks()
{
    ASSERT_TRUE(standin_test::StartStandinDisk()) << "error " << GetLastError();
}
