// The stand-in driver under Wine's service manager, created as the program creates it.
#include "support/StandinService.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace
{

class DriverServiceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!standin_test::StandinsPresent())
            GTEST_SKIP() << "the Wine stand-in wrimon.sys is not built";
        ASSERT_TRUE(standin_test::DeleteWrimonService()) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        EXPECT_TRUE(standin_test::DeleteWrimonService()) << "error " << GetLastError();
    }
};

bool ServiceKeyExists()
{
    HKEY hKey = nullptr;
    const LONG status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Wrimon", 0, KEY_READ, &hKey);
    if (status == ERROR_SUCCESS)
        RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

} // namespace

TEST_F(DriverServiceTest, CreatedStartedStoppedAndDeleted)
{
    ASSERT_TRUE(standin_test::CreateWrimonService()) << "error " << GetLastError();

    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    SC_HANDLE service = OpenServiceW(manager, L"Wrimon", SERVICE_QUERY_CONFIG);
    ASSERT_NE(nullptr, service) << "error " << GetLastError();
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                    static_cast<DWORD>(buffer.size()), &needed))
        << "error " << GetLastError();
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_FILE_SYSTEM_DRIVER), config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_EQ(standin_test::ProgramFolder() + L"\\wrimon.sys", std::wstring(config->lpBinaryPathName));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    // Wine's QueryServiceConfigW leaves the dependencies out; the service's key holds them.
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Wrimon",
                                           0, KEY_READ, &hKey));
    BYTE dependencies[64] = {};
    DWORD cb = sizeof(dependencies);
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hKey, L"DependOnService", nullptr, &type, dependencies, &cb));
    RegCloseKey(hKey);
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    ASSERT_EQ(16u, cb) << "FltMgr and two NULs";
    EXPECT_EQ(0, memcmp(dependencies, L"FltMgr\0", 16));

    // Wine does not start dependencies of drivers: FltMgr, which it lacks, does not block the start.
    ASSERT_TRUE(standin_test::StartWrimonService()) << "error " << GetLastError();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState());

    ASSERT_TRUE(standin_test::StopWrimonService()) << "error " << GetLastError();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), standin_test::WrimonServiceState());

    ASSERT_TRUE(standin_test::DeleteWrimonService()) << "error " << GetLastError();
    EXPECT_EQ(0u, standin_test::WrimonServiceState());
    EXPECT_FALSE(ServiceKeyExists()) << "deleting the service removes its key and instance configuration";
}

TEST_F(DriverServiceTest, StartFailsWithoutTheImage)
{
    ASSERT_TRUE(standin_test::CreateWrimonService(standin_test::ProgramFolder() + L"\\missing\\wrimon.sys"))
        << "error " << GetLastError();
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(standin_test::StartWrimonService());
    const DWORD error = GetLastError();
    EXPECT_NE(0u, error);
    EXPECT_NE(0xDEADBEEFu, error);
    EXPECT_NE(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState()) << "error " << error;
}

TEST_F(DriverServiceTest, StartingTwiceReportsAlreadyRunning)
{
    ASSERT_TRUE(standin_test::CreateWrimonService()) << "error " << GetLastError();
    ASSERT_TRUE(standin_test::StartWrimonService()) << "error " << GetLastError();
    EXPECT_FALSE(standin_test::StartWrimonService());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), GetLastError());
}
