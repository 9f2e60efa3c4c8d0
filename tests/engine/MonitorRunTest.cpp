// A whole monitoring run without windows, as the main window drives it: start, attach, monitor fed
// writes, clean up; then the saved file is loaded back into a fresh monitor.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/Counters.h"
#include "engine/StandinMonitorFixture.h"

namespace
{

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST_F(StandinMonitorTest, AWholeRunCountsExactlyTheFedWritesAndSavesThem)
{
    const std::string self = std::to_string(GetCurrentProcessId());
    m_settings.m_csSelectedDrives = L"";

    m_monitor->Start();
    ASSERT_EQ(1, m_monitor->m_boolThreadsStarted) << LogText();
    ASSERT_NE(nullptr, m_monitor->m_hRetrieveThread);
    ASSERT_NE(nullptr, m_monitor->m_hProcessThread);
    m_monitor->ListVolumes();
    m_monitor->AttachSelectedDrives();
    ASSERT_GE(m_monitor->m_arrDrives.GetSize(), 1);
    CounterStore(m_monitor->m_boolRunning, LONG(1));

    // 999999 is no process id Wine hands out (they are multiples of four).
    Feed("write " + self +
         " 1000 10 C:\\run\\a.txt\n"
         "write " +
         self +
         " 5000 0 C:\\run\\b.txt\n"
         "write " +
         self +
         " 1 3 C:\\run\\a.txt\n"
         "write 999999 4096 0 C:\\other\\c.bin\n"
         "event 3 0 0 " +
         self + " 777 0 C:\\run\\read-only.txt\n");
    ASSERT_TRUE(WaitFor([&] { return CounterLoad(m_monitor->m_stats.m_qwordOperations) == 4; })) << LogText();
    CounterStore(m_monitor->m_boolRunning, LONG(0));

    m_monitor->CleanUp();

    EXPECT_EQ(nullptr, m_monitor->m_hRetrieveThread);
    EXPECT_EQ(nullptr, m_monitor->m_hProcessThread);
    EXPECT_EQ(0, standin_test::WrimonServiceState()) << "the service is gone";
    std::wstring letters;
    for (int i = 0; i < m_monitor->m_arrDrives.GetSize(); ++i)
        letters += m_monitor->m_arrDrives[i]->m_csLetter;
    EXPECT_EQ(letters, m_settings.m_csSelectedDrives) << "every drive was attached";

    const std::string name = Narrow(SelfName());
    std::vector<std::string> expected = {
        "C:\\ written 0 aligned 0 below 10097",
        "C:\\run\\ written 0 aligned 0 below 6001",
        "C:\\run\\a.txt written 1001 aligned 8192 below 1001 [" + name + " 1001]",
        "C:\\run\\b.txt written 5000 aligned 8192 below 5000 [" + name + " 5000]",
        "C:\\other\\ written 0 aligned 0 below 4096",
        "C:\\other\\c.bin written 4096 aligned 4096 below 4096 [< unknown > 4096]",
    };
    std::sort(expected.begin(), expected.end());
    const std::vector<std::string> tree = DumpTree(*m_monitor);
    EXPECT_EQ(expected, tree) << Joined(tree);
    const CQStatisticsBlock& stats = m_monitor->m_stats;
    EXPECT_EQ(4u, stats.m_qwordOperations);
    EXPECT_EQ(6u, stats.m_qwordFiles);
    EXPECT_EQ(13u, stats.m_qwordRead);
    EXPECT_EQ(10097u, stats.m_qwordWritten);
    EXPECT_EQ(4096u + 8192u + 4096u + 4096u, stats.m_qwordWrittenAligned);

    // The log tells the story in order.
    const std::vector<std::wstring> lines = m_log.Lines();
    const wchar_t* story[] = {L"Creating logging thread...", L"Creating processing thread...",
                              L"Cleaning up...", L"RetrieveLogRecords ended"};
    size_t at = 0;
    for (const wchar_t* step : story)
    {
        while (at < lines.size() && lines[at] != step)
            ++at;
        EXPECT_LT(at, lines.size()) << Narrow(step) << " missing or out of order\n" << LogText();
    }

    // The saved file holds the same tree, processes and totals.
    std::unique_ptr<CQMonitor> loaded = std::make_unique<CQMonitor>();
    loaded->m_pSettingsRunTime = &m_runTime;
    ASSERT_EQ(1, loaded->LoadData()) << LogText();
    EXPECT_EQ(tree, DumpTree(*loaded));
    EXPECT_EQ(0, memcmp(&stats, &loaded->m_stats, sizeof(stats)));
    ASSERT_EQ(m_monitor->m_arrProcesses.GetSize(), loaded->m_arrProcesses.GetSize());
    for (int i = 0; i < loaded->m_arrProcesses.GetSize(); ++i)
    {
        EXPECT_EQ(m_monitor->m_arrProcesses[i]->m_csProcessName, loaded->m_arrProcesses[i]->m_csProcessName);
        EXPECT_EQ(m_monitor->m_arrProcesses[i]->m_qwordWritten, loaded->m_arrProcesses[i]->m_qwordWritten);
    }
}

TEST_F(StandinMonitorTest, StartLoadsTheSavedDataBeforeMonitoring)
{
    AddDrive(OnC(L"").c_str(), L"C:");
    Account(OnC(L"\\kept.txt"), 123);
    ASSERT_EQ(1, m_monitor->SaveData());
    m_monitor = std::make_unique<CQMonitor>();
    m_monitor->m_pSettingsInterface = &m_settings;
    m_monitor->m_pSettingsRunTime = &m_runTime;

    m_monitor->Start();
    EXPECT_EQ(123u, m_monitor->m_stats.m_qwordWritten);
    ASSERT_EQ(1, m_monitor->m_root.m_arrChildren.GetSize());
    EXPECT_EQ(1, m_monitor->m_boolThreadsStarted) << LogText();
    EXPECT_NE(INVALID_HANDLE_VALUE, m_monitor->m_hPort);

    // Cleaning up at once: the threads see the stop flag and the port and service go.
    m_monitor->CleanUp();
    EXPECT_EQ(INVALID_HANDLE_VALUE, m_monitor->m_hPort);
    EXPECT_EQ(0, standin_test::WrimonServiceState());
    EXPECT_TRUE(HasLine(L"RetrieveLogRecords ended"));
}

// The driver runs but its port cannot be opened: Start creates no threads, and the clean-up goes straight
// to removing the service and saving.
TEST_F(StandinMonitorTest, ARefusedPortConnectionStartsNoThreadsAndTheCleanUpStillRemovesAndSaves)
{
    struct Refusal
    {
        Refusal() { SetEnvironmentVariableW(L"WRIMON_STANDIN_REFUSE", L"0x80070005"); }
        ~Refusal() { SetEnvironmentVariableW(L"WRIMON_STANDIN_REFUSE", nullptr); }
    };
    {
        Refusal refusal;
        m_monitor->Start();
    }
    const std::vector<std::wstring> lines = m_log.Lines();
    const auto refused = std::find(lines.begin(), lines.end(), L"Could not connect to filter");
    ASSERT_NE(lines.end(), refused) << LogText();
    ASSERT_NE(lines.begin(), refused);
    EXPECT_EQ(0u, (refused - 1)->rfind(L"FilterConnectCommunicationPort :: ", 0)) << LogText();
    // Then the system's file events are tried (Wine has none), and nothing else is started.
    ASSERT_NE(lines.end(), refused + 1) << LogText();
    EXPECT_EQ(0u, (refused + 1)->rfind(L"System file events are not available: ", 0)) << LogText();
    EXPECT_EQ(lines.end(), refused + 2) << "nothing is started after the failure\n" << LogText();
    EXPECT_EQ(0, m_monitor->m_boolThreadsStarted);
    EXPECT_EQ(nullptr, m_monitor->m_hRetrieveThread);
    EXPECT_EQ(nullptr, m_monitor->m_hProcessThread);
    EXPECT_EQ(INVALID_HANDLE_VALUE, m_monitor->m_hPort);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), standin_test::WrimonServiceState());

    m_monitor->CleanUp();
    EXPECT_TRUE(HasLine(L"Cleaning up...")) << LogText();
    EXPECT_EQ(0, standin_test::WrimonServiceState()) << "the service is removed";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DataFile().c_str())) << "the data is saved";
}

} // namespace
