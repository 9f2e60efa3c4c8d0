// Installing and removing the Wrimon driver service under Wine's service manager, with the stand-in
// driver image.
#include <string>
#include <vector>

#include "app/RegKey.h"
#include "engine/StandinMonitorFixture.h"

namespace
{

constexpr wchar_t kInstances[] = L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\Instances";

struct RegistryValue
{
    DWORD type = 0;
    std::vector<BYTE> data;
};

// A value below the instances key; type 0 when it cannot be read.
RegistryValue ReadValue(const std::wstring& subKey, const wchar_t* name)
{
    RegistryValue value;
    CQRegKey key;
    const std::wstring path = subKey.empty() ? kInstances : std::wstring(kInstances) + L"\\" + subKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return value;
    DWORD cb = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &cb) != ERROR_SUCCESS)
    {
        value.type = 0;
        return value;
    }
    value.data.resize(cb);
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, value.data.data(), &cb) != ERROR_SUCCESS)
        value.type = 0;
    return value;
}

std::vector<BYTE> StringBytes(const wchar_t* text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
    return std::vector<BYTE>(bytes, bytes + (wcslen(text) + 1) * sizeof(wchar_t));
}

std::string Show(const std::vector<BYTE>& data)
{
    std::string text;
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        text += static_cast<char>(data[i] ? data[i] : '.');
    return text + " (" + std::to_string(data.size()) + " bytes)";
}

std::wstring CurrentDirectory()
{
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// The service is deleted once its last handle is closed.
bool ServiceGone()
{
    return StandinMonitorTest::WaitFor([] { return standin_test::WrimonServiceState() == 0; }, 10000);
}

TEST_F(StandinMonitorTest, AbsentServiceIsCreatedConfiguredAndStarted)
{
    EXPECT_EQ(1, m_monitor->InstallDriverService()) << LogText();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState());
    EXPECT_EQ(CurrentDirectory() + L"\\wrimon.sys", standin_test::WrimonImagePath());

    const struct
    {
        const wchar_t* key;
        const wchar_t* name;
        const wchar_t* text; // null: the DWORD 1
    } expected[] = {
        {L"", L"DefaultInstance", L"Wrimon - Top Instance"},
        {L"Wrimon - Bottom Instance", L"Altitude", L"361000"},
        {L"Wrimon - Bottom Instance", L"Flags", nullptr},
        {L"Wrimon - Top Instance", L"Altitude", L"385100"},
        {L"Wrimon - Top Instance", L"Flags", nullptr},
        {L"Wrimon - Middle Instance", L"Altitude", L"370000"},
        {L"Wrimon - Middle Instance", L"Flags", nullptr},
    };
    for (const auto& e : expected)
    {
        const RegistryValue value = ReadValue(e.key, e.name);
        const std::string where = Narrow(std::wstring(e.key) + L" " + e.name);
        if (e.text != nullptr)
        {
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << where;
            EXPECT_EQ(StringBytes(e.text), value.data) << where << ": " << Show(value.data);
        }
        else
        {
            const DWORD one = 1;
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << where;
            EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<const BYTE*>(&one),
                                        reinterpret_cast<const BYTE*>(&one) + 4),
                      value.data)
                << where;
        }
    }
    EXPECT_TRUE(LinesStartingWith(L"OpenTavrelloDriver").empty()) << LogText();
}

TEST_F(StandinMonitorTest, RunningServiceIsOpenedWithoutAnyRegistryWrite)
{
    ASSERT_EQ(1, m_monitor->InstallDriverService()) << LogText();
    CQRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                           (std::wstring(kInstances) + L"\\Wrimon - Top Instance").c_str(), 0,
                                           KEY_SET_VALUE, key.Receive()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key.Get(), L"Flags"));

    EXPECT_EQ(1, m_monitor->InstallDriverService()) << "already running counts as success\n" << LogText();
    EXPECT_EQ(0u, ReadValue(L"Wrimon - Top Instance", L"Flags").type) << "the deleted value stays deleted";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState());
    EXPECT_TRUE(LinesStartingWith(L"OpenTavrelloDriver").empty()) << LogText();
}

TEST_F(StandinMonitorTest, StoppedServiceIsStartedUnchanged)
{
    // A service made elsewhere, with an image path of its own and no instance configuration.
    ASSERT_TRUE(standin_test::CreateWrimonService(standin_test::ProgramFolder() + L"\\.\\wrimon.sys"));
    EXPECT_EQ(1, m_monitor->InstallDriverService()) << LogText();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState());
    EXPECT_EQ(standin_test::ProgramFolder() + L"\\.\\wrimon.sys", standin_test::WrimonImagePath());
    EXPECT_EQ(0u, ReadValue(L"", L"DefaultInstance").type);
}

TEST_F(StandinMonitorTest, RemovingAStoppedServiceLogsTheStopFailureAndStillDeletes)
{
    ASSERT_EQ(1, m_monitor->InstallDriverService()) << LogText();
    ASSERT_TRUE(standin_test::StopWrimonService());

    EXPECT_EQ(1, m_monitor->RemoveDriverService()) << LogText();
    EXPECT_EQ(1u, LinesStartingWith(L"CloseTavrelloDriver::ControlService :: ").size()) << LogText();
    EXPECT_TRUE(LinesStartingWith(L"CloseTavrelloDriver::DeleteService").empty()) << LogText();
    EXPECT_TRUE(ServiceGone());
}

TEST_F(StandinMonitorTest, RemovingARunningServiceStopsAndDeletesItQuietly)
{
    ASSERT_EQ(1, m_monitor->InstallDriverService()) << LogText();
    EXPECT_EQ(1, m_monitor->RemoveDriverService()) << LogText();
    EXPECT_TRUE(LinesStartingWith(L"CloseTavrelloDriver").empty()) << LogText();
    EXPECT_TRUE(ServiceGone());
    EXPECT_EQ(0u, ReadValue(L"", L"DefaultInstance").type)
        << "the instance configuration goes with the service";
}

TEST_F(StandinMonitorTest, RemovingAnAbsentServiceFailsWithItsLine)
{
    EXPECT_EQ(0, m_monitor->RemoveDriverService());
    const std::vector<std::wstring> lines = LinesStartingWith(L"CloseTavrelloDriver::OpenService :: ");
    EXPECT_EQ(1u, lines.size()) << LogText();
}

// A program folder without the driver image: the service is created but cannot start, and the monitor
// starts no threads. The clean-up still removes the service and saves.
TEST_F(StandinMonitorTest, UnstartableServiceLeavesTheMonitorWithoutThreads)
{
    const std::wstring previous = CurrentDirectory();
    TempFolder empty;
    ASSERT_TRUE(SetCurrentDirectoryW(empty.Path().c_str()));
    m_monitor->Start();
    const std::wstring image = standin_test::WrimonImagePath();
    SetCurrentDirectoryW(previous.c_str());

    EXPECT_EQ(empty.Path() + L"\\wrimon.sys", image);
    EXPECT_EQ(1u, LinesStartingWith(L"OpenTavrelloDriver::StartService :: ").size()) << LogText();
    EXPECT_EQ(0, m_monitor->m_boolThreadsStarted);
    EXPECT_EQ(nullptr, m_monitor->m_hRetrieveThread);
    EXPECT_EQ(nullptr, m_monitor->m_hProcessThread);
    EXPECT_EQ(nullptr, m_monitor->m_hPort) << "no connection was attempted";
    EXPECT_FALSE(HasLine(L"Creating logging thread..."));

    m_monitor->ShutDown();
    EXPECT_TRUE(HasLine(L"Cleaning up..."));
    EXPECT_TRUE(ServiceGone());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DataFile().c_str())) << "the data is saved";
}

} // namespace
