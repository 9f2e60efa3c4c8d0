// The monitor without the Wrimon driver, through the real retrieval and processing threads: the start
// falls back to the system's file events (a replay here, since Wine has none), attached drives pass their
// writes, detached ones and unnamed writes never count, what was counted is saved, and an ended session
// ends measuring. Without a replay the live session is what Wine refuses.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/Counters.h"
#include "engine/Measuring.h"
#include "engine/StandinMonitorFixture.h"
#include "engine/events/FileEventSource.h"
#include "support/ReplayEventFeed.h"
#include "support/TempFolder.h"

using namespace file_events_test;

namespace
{

constexpr wchar_t kUsing[] = L"Using system file events (no Wrimon driver)";
constexpr wchar_t kNotAvailable[] = L"System file events are not available: ";

class SystemEventsRunTest : public StandinMonitorTest
{
protected:
    void SetUp() override
    {
        StandinMonitorTest::SetUp();
        GetCurrentDirectoryW(MAX_PATH, m_programFolder);
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(m_programFolder);
        StandinMonitorTest::TearDown();
    }

    // The service's image is looked for in the current folder: an empty one means no driver.
    void WithoutDriver() { ASSERT_TRUE(SetCurrentDirectoryW(m_empty.Path().c_str())); }
    void UseReplay()
    {
        std::shared_ptr<ReplayControl> replay = m_replay;
        m_monitor->m_fnMakeEventFeed = [replay] { return std::make_unique<ReplayEventFeed>(replay); };
    }
    // Starts the monitor without the driver, on the replay.
    void StartOnReplay()
    {
        WithoutDriver();
        UseReplay();
        m_monitor->Start();
        ASSERT_EQ(CQMonitor::RecordSource::SystemEvents, m_monitor->GetRecordSource()) << LogText();
    }
    CQDriveItem* Drive(const wchar_t* letter)
    {
        for (int i = 0; i < m_monitor->m_arrDrives.GetSize(); ++i)
            if (m_monitor->m_arrDrives[i]->m_csLetter == letter)
                return m_monitor->m_arrDrives[i];
        return nullptr;
    }
    // Moves the source's clock on until its report shows that it has seen this many writes.
    bool WaitUntilSeen(uint64_t writes)
    {
        const std::wstring line = L"System file events: " + std::to_wstring(writes) + L" writes ";
        ULONGLONG now = 0;
        return WaitFor(
            [&]
            {
                now += CQFileEventReport::ReportIntervalMs;
                m_replay->SetNow(now);
                return !LinesStartingWith(line).empty();
            });
    }

    wchar_t m_programFolder[MAX_PATH] = {};
    TempFolder m_empty;
    std::shared_ptr<ReplayControl> m_replay = std::make_shared<ReplayControl>();
};

TEST_F(SystemEventsRunTest, WithoutTheDriverTheSystemsWritesAreCountedAndSaved)
{
    m_settings.m_csSelectedDrives = L"C:";
    ASSERT_NO_FATAL_FAILURE(StartOnReplay());
    EXPECT_TRUE(HasLine(kUsing));
    ASSERT_NE(nullptr, m_monitor->m_hRetrieveThread);
    ASSERT_NE(nullptr, m_monitor->m_hProcessThread);
    m_monitor->ListVolumes();
    m_monitor->AttachSelectedDrives();
    ASSERT_NE(nullptr, Drive(L"C:"));
    EXPECT_TRUE(HasLine(L" Attached to: C: , instance name: system events")) << LogText();
    EXPECT_EQ(1, Drive(L"C:")->m_intInstances);
    EXPECT_EQ(1, m_monitor->CountInstances(Drive(L"C:")->m_csVolumeName));
    if (CQDriveItem* other = Drive(L"Z:"))
    {
        EXPECT_EQ(0, m_monitor->CountInstances(other->m_csVolumeName));
    }
    CounterStore(m_monitor->m_boolRunning, LONG(1));

    const DWORD self = GetCurrentProcessId();
    const std::wstring c = OnC(L"");
    wchar_t z[MAX_PATH] = L"";
    QueryDosDeviceW(L"Z:", z, MAX_PATH);
    m_replay->Play({
        Rundown(8, 0x100, c + L"\\run\\old.txt"),
        KeyName(10, 8, 0x200, c + L"\\run\\new.txt"),
        Create(Shape{0, 8}, 0x300, c + L"\\run\\created.txt"),
        KeyName(10, 4, 0x400, c + L"\\run\\other.txt"),
        KeyName(10, 8, 0x500, std::wstring(z) + L"\\elsewhere.txt"),
        KeyName(10, 8, 0x600, c + L"\\run\\paged.bin"),
        KeyName(10, 8, 0x700, c + L"\\$LogFile"),
        Write(Shape(), self, 0, 0x100, 1000),
        Write(Shape(), self, 0, 0x200, 5000),
        Write(Shape{0, 8}, self, 0x300, 0x999, 7),
        Write(Shape{1, 4}, 999999, 0, 0x400, 24), // no such process
        Write(Shape(), self, 0, 0x12345, 4096),   // a file without a name: not counted
        Write(Shape(), self, 0, 0x500, 1 << 20),  // Z: is not attached
        Write(Shape(), self, 0, 0x600, 65536, 0x43),
        Write(Shape(), self, 0, 0x700, 8192, 0x43),
    });
    ASSERT_TRUE(WaitFor([&] { return CounterLoad(m_monitor->m_stats.m_qwordOperations) == 5; })) << LogText();
    EXPECT_EQ(MeasuringSource::SystemEvents, WhatMeasures(*m_monitor));

    // A detached drive's writes are dropped; attached again, they pass.
    {
        CQLock lock(m_monitor->m_lockDrives);
        ASSERT_TRUE(m_monitor->DetachDrive(Drive(L"C:")));
    }
    EXPECT_TRUE(HasLine(L" Detached from: C: , instance name: system events"));
    m_replay->Play({KeyName(10, 8, 0x800, c + L"\\run\\detached.txt"), Write(Shape(), self, 0, 0x800, 111)});
    ASSERT_TRUE(WaitUntilSeen(9)) << LogText();
    {
        CQLock lock(m_monitor->m_lockDrives);
        ASSERT_TRUE(m_monitor->AttachDrive(Drive(L"C:")));
    }
    m_replay->Play({KeyName(10, 8, 0x900, c + L"\\run\\again.txt"), Write(Shape(), self, 0, 0x900, 222)});
    ASSERT_TRUE(WaitFor([&] { return CounterLoad(m_monitor->m_stats.m_qwordOperations) == 6; })) << LogText();
    SystemEventFigures figures;
    ASSERT_TRUE(GetSystemEventFigures(*m_monitor, figures));
    EXPECT_EQ(10u, figures.Writes);
    EXPECT_EQ(1u, figures.UnnamedWrites);
    EXPECT_EQ(4096u, figures.UnnamedBytes);
    CounterStore(m_monitor->m_boolRunning, LONG(0));

    m_monitor->CleanUp();
    EXPECT_TRUE(m_replay->WasStopped());
    EXPECT_FALSE(m_monitor->IsRecordSourceRunning());
    EXPECT_EQ(L"C:", m_settings.m_csSelectedDrives);
    EXPECT_FALSE(HasLine(L"Wrimon driver is not found - Termination"));
    EXPECT_EQ(
        1u, LinesStartingWith(L"System file events: write events of version 1 with 64-bit pointers").size());
    EXPECT_EQ(
        1u, LinesStartingWith(L"System file events: write events of version 0 with 64-bit pointers").size());
    EXPECT_EQ(
        1u, LinesStartingWith(L"System file events: write events of version 1 with 32-bit pointers").size());
    EXPECT_FALSE(LinesStartingWith(
                     L"System file events: 10 writes (2 paging I/O), 1 without a name (10.0%, 4096 bytes) "
                     L"not counted, 1 names from the rundown")
                     .empty())
        << LogText();

    const std::string self8 = Narrow(SelfName());
    std::vector<std::string> expected = {
        "C:\\ written 0 aligned 0 below 14445",
        "C:\\$LogFile written 8192 aligned 8192 below 8192 [" + self8 + " 8192]",
        "C:\\run\\ written 0 aligned 0 below 6253",
        "C:\\run\\old.txt written 1000 aligned 4096 below 1000 [" + self8 + " 1000]",
        "C:\\run\\new.txt written 5000 aligned 8192 below 5000 [" + self8 + " 5000]",
        "C:\\run\\created.txt written 7 aligned 4096 below 7 [" + self8 + " 7]",
        "C:\\run\\other.txt written 24 aligned 4096 below 24 [< unknown > 24]",
        "C:\\run\\again.txt written 222 aligned 4096 below 222 [" + self8 + " 222]",
    };
    std::sort(expected.begin(), expected.end());
    const std::vector<std::string> tree = DumpTree(*m_monitor);
    EXPECT_EQ(expected, tree);
    EXPECT_EQ(6u, m_monitor->m_stats.m_qwordOperations);
    EXPECT_EQ(14445u, m_monitor->m_stats.m_qwordWritten);
    EXPECT_EQ(0u, m_monitor->m_stats.m_qwordRead);

    std::unique_ptr<CQMonitor> loaded = std::make_unique<CQMonitor>();
    loaded->m_pSettingsRunTime = &m_runTime;
    ASSERT_EQ(1, loaded->LoadData()) << LogText();
    EXPECT_EQ(tree, DumpTree(*loaded));
    EXPECT_EQ(14445u, loaded->m_stats.m_qwordWritten);
}

TEST_F(SystemEventsRunTest, TheDriverStillComesFirst)
{
    UseReplay();
    m_monitor->Start();
    EXPECT_EQ(CQMonitor::RecordSource::Driver, m_monitor->GetRecordSource()) << LogText();
    EXPECT_FALSE(m_replay->WasStarted());
    EXPECT_FALSE(HasLine(kUsing));
    m_monitor->CleanUp();
    EXPECT_FALSE(m_monitor->IsRecordSourceRunning());
}

TEST_F(SystemEventsRunTest, AFeedThatEndsEndsBothThreadsWithItsReason)
{
    ASSERT_NO_FATAL_FAILURE(StartOnReplay());
    m_replay->Play({Write(Shape(), 8, 0, 1, 10)});
    m_replay->End(L"the session was closed");
    ASSERT_TRUE(Ended(m_monitor->m_hRetrieveThread)) << LogText();
    ASSERT_TRUE(Ended(m_monitor->m_hProcessThread));
    EXPECT_TRUE(HasLine(L"System file events ended: the session was closed")) << LogText();
    EXPECT_FALSE(HasLine(L"Wrimon driver is not found - Termination"));
    EXPECT_EQ(1, m_replay->Halts()) << "the session goes as soon as the source gives up";
    EXPECT_EQ(MeasuringSource::SystemEventsEnded, WhatMeasures(*m_monitor));
    m_monitor->CleanUp();
}

// The Windows session ends: the system's session is stopped at once, and measuring ends as when the
// events end; the clean-up that may follow still works.
TEST_F(SystemEventsRunTest, HaltingTheSessionEndsMeasuringAndTheCleanUpStillRuns)
{
    m_settings.m_csSelectedDrives = L"C:";
    ASSERT_NO_FATAL_FAILURE(StartOnReplay());
    m_monitor->ListVolumes();
    m_monitor->AttachSelectedDrives();
    m_monitor->HaltSystemEvents();
    ASSERT_TRUE(Ended(m_monitor->m_hRetrieveThread)) << LogText();
    ASSERT_TRUE(Ended(m_monitor->m_hProcessThread));
    EXPECT_GE(m_replay->Halts(), 1);
    EXPECT_TRUE(HasLine(L"System file events ended: the session was stopped")) << LogText();
    EXPECT_EQ(MeasuringSource::SystemEventsEnded, WhatMeasures(*m_monitor));
    m_monitor->CleanUp();
    EXPECT_TRUE(m_replay->WasStopped());
    EXPECT_EQ(L"C:", m_settings.m_csSelectedDrives);
    EXPECT_EQ(MeasuringSource::Nothing, WhatMeasures(*m_monitor));
}

// Under Wine OpenTraceW refuses, so the real program gets here: it runs on without measuring.
TEST_F(SystemEventsRunTest, UnderWineTheLiveSessionIsNotAvailableAndTheProgramRunsOn)
{
    WithoutDriver();
    m_monitor->Start();
    if (m_monitor->IsRecordSourceRunning())
    {
        m_monitor->CleanUp();
        GTEST_SKIP() << "this system delivers file events";
    }
    const std::vector<std::wstring> lines = LinesStartingWith(kNotAvailable);
    ASSERT_EQ(1u, lines.size()) << LogText();
    EXPECT_FALSE(HasLine(kUsing));
    EXPECT_EQ(0, m_monitor->m_boolThreadsStarted);
    EXPECT_EQ(nullptr, m_monitor->m_hRetrieveThread);
    EXPECT_TRUE(m_monitor->m_pSystemEvents == nullptr) << "nothing of the session is kept";
    m_monitor->ListVolumes();
    m_monitor->AttachSelectedDrives();
    m_monitor->CleanUp();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DataFile().c_str()));
    std::printf("  [ Wine     ] %s\n", Narrow(lines[0]).c_str());
}

} // namespace
