// The retrieval thread against the stand-in driver's port: what it queues, what it drops, and when it
// gives up.
#include <string>
#include <vector>

#include "engine/Counters.h"
#include "engine/RetrievalRecord.h"
#include "engine/StandinMonitorFixture.h"
#include "support/WrimonRecords.h"

namespace
{

using wrimon_test::RecordFields;

constexpr wchar_t kUnexpected[] = L"Unexpected error";
constexpr wchar_t kAbnormal[] = L"Unexpected error: RetrieveLogRecords - Abnormal Termination";
constexpr wchar_t kEnded[] = L"RetrieveLogRecords ended";

std::vector<BYTE> Record(const std::wstring& name, uint32_t bytes, uint64_t read, uint32_t recordType = 0)
{
    RecordFields fields;
    fields.name = name;
    fields.processId = GetCurrentProcessId();
    fields.writeLength = bytes;
    fields.readLength = read;
    fields.recordType = recordType;
    return wrimon_test::MakeRecord(fields);
}

std::string Repeat(const std::string& line, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

// The index of the first line equal to text at or after from, or the size when there is none.
size_t IndexOf(const std::vector<std::wstring>& lines, const std::wstring& text, size_t from = 0)
{
    for (size_t i = from; i < lines.size(); ++i)
    {
        if (lines[i] == text)
            return i;
    }
    return lines.size();
}

TEST_F(StandinMonitorTest, MonitoringOffDrainsAndDropsButLogsTheMemoryFlags)
{
    InstallAndConnect();
    StartRetrieval();
    std::vector<BYTE> reply = Record(OnC(L"\\off\\a.txt"), 100, 7, 0x20000000);
    wrimon_test::Append(reply, Record(OnC(L"\\off\\b.txt"), 200, 9));
    wrimon_test::Append(reply, Record(OnC(L"\\off\\c.txt"), 300, 11, 0x10000000));
    Feed(RawFeedLine(reply));

    ASSERT_TRUE(WaitFor([&] { return HasLine(L"Out of memory"); })) << LogText();
    EXPECT_EQ(1u, CountLines(L"Exceeded maximum allowed memory")) << LogText();
    EXPECT_EQ(0, m_monitor->GetPendingRecords());
    EXPECT_EQ(0u, CounterLoad(m_monitor->m_stats.m_qwordRead));
    EXPECT_EQ(0, m_monitor->m_arrRuntimeProcesses.GetSize())
        << "no process is looked up for a dropped record";
    EXPECT_EQ(0, CounterLoad(m_monitor->m_boolStop));
}

TEST_F(StandinMonitorTest, TwoRecordsOfOneReplyAreQueuedInOrderAndTheSecondIsProcessedFirst)
{
    AddDrive(OnC(L"").c_str(), L"C:");
    InstallAndConnect();
    CounterStore(m_monitor->m_boolRunning, LONG(1));
    StartRetrieval();
    std::vector<BYTE> reply = Record(OnC(L"\\first.txt"), 100, 7);
    wrimon_test::Append(reply, Record(OnC(L"\\second.txt"), 200, 5));
    Feed(RawFeedLine(reply));

    // The processing thread starts only once both are queued, so the order it takes them in is its own.
    ASSERT_TRUE(WaitFor([&] { return m_monitor->GetPendingRecords() == 2; })) << LogText();
    // Taken out to be looked at (the newest first) and put back as they were.
    QueueEntry entries[3];
    ASSERT_EQ(2u, m_monitor->PopQueueEntries(entries, 3));
    const struct
    {
        const wchar_t* rest;
        uint64_t bytes;
    } expected[] = {{L"\\second.txt", 200}, {L"\\first.txt", 100}};
    for (size_t i = 0; i < 2; ++i)
    {
        const QueueEntry& entry = entries[i];
        EXPECT_EQ(OnC(expected[i].rest), entry.m_csFileName) << "entry " << i;
        EXPECT_EQ(SelfName(), entry.m_csProcessName) << "entry " << i;
        EXPECT_EQ(GetCurrentProcessId(), entry.m_dwordProcessId) << "entry " << i;
        EXPECT_EQ(expected[i].bytes, entry.m_qwordBytes) << "entry " << i;
    }
    for (size_t i = 2; i-- > 0;)
        PushEntry(*m_monitor, entries[i].m_csFileName, entries[i].m_csProcessName, entries[i].m_qwordBytes);
    EXPECT_EQ(12u, CounterLoad(m_monitor->m_stats.m_qwordRead));

    StartProcessing();
    ASSERT_TRUE(WaitFor([&] { return CounterLoad(m_monitor->m_stats.m_qwordOperations) == 2; })) << LogText();
    StopThreads();
    // Children are kept in the order they were created.
    const CQTreeItem* c = ChildNamed(&m_monitor->m_root, L"C:");
    ASSERT_NE(nullptr, c);
    ASSERT_EQ(2, c->m_arrChildren.GetSize());
    EXPECT_EQ(L"second.txt", c->m_arrChildren[0]->m_csName.str());
    EXPECT_EQ(L"first.txt", c->m_arrChildren[1]->m_csName.str());
    EXPECT_EQ(300u, m_monitor->m_stats.m_qwordWritten);
}

TEST_F(StandinMonitorTest, OptionsDecideWhatAnEntryCarries)
{
    InstallAndConnect();
    CounterStore(m_monitor->m_boolRunning, LONG(1));
    StartRetrieval();
    const std::wstring self = SelfName();
    const struct
    {
        bool settings; // false: the monitor has no settings and takes the defaults
        BOOL collect;
        BOOL doNotLog;
        bool hasFile;
        bool hasProcess;
    } cases[] = {
        {true, 0, 1, false, false},
        {true, 1, 1, false, true},
        {true, 0, 0, true, false},
        {false, 0, 0, true, true},
    };
    int index = 0;
    for (const auto& c : cases)
    {
        m_settings.m_boolCollectProcessesInformation = c.collect;
        m_settings.m_boolDoNotLogFiles = c.doNotLog;
        m_monitor->m_pSettingsInterface = c.settings ? &m_settings : nullptr;
        const std::wstring name = OnC(L"\\option" + std::to_wstring(index) + L".txt");
        Feed(RawFeedLine(Record(name, 1000 + index, 0)));
        ASSERT_TRUE(WaitFor([&] { return m_monitor->GetPendingRecords() == 1; })) << "case " << index;
        QueueEntry entry;
        ASSERT_EQ(1u, m_monitor->PopQueueEntries(&entry, 1));
        EXPECT_EQ(c.hasFile ? name : std::wstring(), entry.m_csFileName) << "case " << index;
        EXPECT_EQ(c.hasProcess ? self : std::wstring(), entry.m_csProcessName) << "case " << index;
        EXPECT_EQ(GetCurrentProcessId(), entry.m_dwordProcessId) << "case " << index;
        EXPECT_EQ(static_cast<uint64_t>(1000 + index), entry.m_qwordBytes) << "case " << index;
        if (index == 0)
        {
            EXPECT_EQ(0, m_monitor->m_arrRuntimeProcesses.GetSize())
                << "no lookup without process collection";
        }
        ++index;
    }
    m_monitor->m_pSettingsInterface = &m_settings;
}

// The processes of a reply are named once each, outside the queue lock: the live one from the system and
// then from the cache, one that does not exist as "< unknown >" (and never cached), and no record gets the
// name of another record's process.
TEST_F(StandinMonitorTest, EachRecordOfAReplyGetsTheNameOfItsOwnProcess)
{
    m_monitor->m_boolRunning = 1;
    const uint32_t self = GetCurrentProcessId();
    const uint32_t gone = 0xFFFFFFF0u;
    const uint32_t writers[] = {self, gone, gone, self, gone};
    std::vector<BYTE> reply;
    for (uint32_t i = 0; i < 5; ++i)
    {
        RecordFields fields;
        fields.name = L"\\Device\\HarddiskVolume2\\f" + std::to_wstring(i);
        fields.processId = writers[i];
        fields.writeLength = 100 + i;
        wrimon_test::Append(reply, wrimon_test::MakeRecord(fields));
    }
    for (int round = 0; round < 2; ++round)
    {
        CQRetrievalBatch batch;
        WalkReply(
            reply.data(), static_cast<uint32_t>(reply.size()),
            [&](const LogRecordView& record) { batch.Add(*m_monitor, record); }, ReplyLogSink());
        batch.Queue(*m_monitor);
        QueueEntry entries[6];
        ASSERT_EQ(5u, m_monitor->PopQueueEntries(entries, 6)) << "round " << round;
        for (uint32_t i = 0; i < 5; ++i)
        {
            const QueueEntry& entry = entries[4 - i]; // the newest comes first
            EXPECT_EQ(writers[i], entry.m_dwordProcessId) << "round " << round << ", record " << i;
            EXPECT_EQ(writers[i] == self ? SelfName() : L"< unknown >", entry.m_csProcessName)
                << "round " << round << ", record " << i;
            EXPECT_EQ(100u + i, entry.m_qwordBytes) << "round " << round << ", record " << i;
        }
        ASSERT_EQ(1, m_monitor->m_arrRuntimeProcesses.GetSize()) << "round " << round;
        EXPECT_EQ(self, m_monitor->m_arrRuntimeProcesses[0]->m_dwordProcessId);
    }
}

// 100 unexpected errors in a row are survived; the 101st ends both threads. A "nothing ready" between
// them neither resets nor advances the count.
TEST_F(StandinMonitorTest, TheHundredAndFirstUnexpectedErrorEndsBothThreads)
{
    InstallAndConnect();
    Feed(Repeat("result 0x80004005\n", 100) + "result 0x80070103\n" + "result 0x80004005\n");
    StartRetrieval();
    StartProcessing();

    ASSERT_TRUE(Ended(m_monitor->m_hRetrieveThread, 60000)) << LogText();
    ASSERT_TRUE(Ended(m_monitor->m_hProcessThread)) << "the stop flag ends the processing thread too";
    EXPECT_EQ(1, CounterLoad(m_monitor->m_boolStop));
    const std::vector<std::wstring> lines = m_log.Lines();
    EXPECT_EQ(101u, CountLines(kUnexpected)) << LogText();
    const size_t abnormal = IndexOf(lines, kAbnormal);
    ASSERT_LT(abnormal, lines.size()) << LogText();
    EXPECT_EQ(kUnexpected, lines[abnormal - 1]);
    EXPECT_EQ(abnormal + 1, IndexOf(lines, kEnded, abnormal)) << LogText();
}

TEST_F(StandinMonitorTest, ASuccessfulEmptyReplyResetsTheErrorCount)
{
    InstallAndConnect();
    // 101 errors in all, but not in a row; the flagged record afterwards marks the end of the feed.
    Feed(Repeat("result 0x80004005\n", 50) + "raw\n" + Repeat("result 0x80004005\n", 51) +
         RawFeedLine(Record(OnC(L"\\marker"), 1, 0, 0x10000000)));
    StartRetrieval();

    ASSERT_TRUE(WaitFor([&] { return HasLine(L"Out of memory"); }, 60000)) << LogText();
    EXPECT_EQ(101u, CountLines(kUnexpected));
    EXPECT_FALSE(HasLine(kAbnormal)) << LogText();
    EXPECT_EQ(0, CounterLoad(m_monitor->m_boolStop));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(m_monitor->m_hRetrieveThread, 0));
}

TEST_F(StandinMonitorTest, DriverGoneEndsBothThreads)
{
    InstallAndConnect();
    StartRetrieval();
    StartProcessing();
    ASSERT_TRUE(WaitFor(
        [&] { return HasLine(L"RetrieveLogRecords started") && HasLine(L"ProcessLogRecords started"); }));

    ASSERT_TRUE(standin_test::StopWrimonService()) << "error " << GetLastError();
    ASSERT_TRUE(Ended(m_monitor->m_hRetrieveThread)) << LogText();
    ASSERT_TRUE(Ended(m_monitor->m_hProcessThread));
    EXPECT_EQ(1, CounterLoad(m_monitor->m_boolStop));
    const std::vector<std::wstring> lines = m_log.Lines();
    const size_t gone = IndexOf(lines, L"Wrimon driver is not found - Termination");
    ASSERT_LT(gone, lines.size()) << LogText();
    EXPECT_EQ(gone + 1, IndexOf(lines, kEnded, gone)) << LogText();
    EXPECT_EQ(0u, CountLines(kUnexpected));
}

// Only a success with 0 bytes is an idle poll (the stand-in says "nothing ready" unless fed "raw"). After
// 4096 of them the next one gives back the queue's unused storage, keeping the entries that wait.
TEST_F(StandinMonitorTest, AfterALongIdleStretchTheQueueGivesBackItsUnusedStorage)
{
    m_monitor->m_pfnPollPause = [](DWORD) { Sleep(1); };
    InstallAndConnect();
    for (int i = 0; i < 20000; ++i)
        PushEntry(*m_monitor, L"", L"", 0);
    std::vector<QueueEntry> taken(20000);
    ASSERT_EQ(20000u, m_monitor->PopQueueEntries(taken.data(), taken.size()));
    for (uint64_t i = 0; i < 3; ++i)
        PushEntry(*m_monitor, L"", L"", i);
    const size_t grown = m_monitor->m_queue.GetCapacity();
    ASSERT_GE(grown, 20000u);
    // Monitoring is off: the flagged record is not queued, its log line tells how far the feed was read.
    const std::string marker = RawFeedLine(Record(OnC(L"\\marker"), 1, 0, 0x10000000));
    StartRetrieval();
    Feed("repeat 4096\n" + marker);
    ASSERT_TRUE(WaitFor([&] { return CountLines(L"Out of memory") == 1; }, 120000)) << LogText();
    {
        CQLock lock(m_monitor->m_lockQueue);
        EXPECT_EQ(grown, m_monitor->m_queue.GetCapacity()) << "4096 idle polls only pause";
    }

    Feed("raw\n" + marker);
    ASSERT_TRUE(WaitFor([&] { return CountLines(L"Out of memory") == 2; })) << LogText();
    {
        CQLock lock(m_monitor->m_lockQueue);
        // What is kept is the storage of the three entries: one segment of the queue.
        EXPECT_GE(m_monitor->m_queue.GetCapacity(), 3u);
        EXPECT_LE(m_monitor->m_queue.GetCapacity(), 4096u);
    }
    ASSERT_EQ(3u, m_monitor->PopQueueEntries(taken.data(), taken.size()));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(2 - i, taken[i].m_qwordBytes);
}

} // namespace
