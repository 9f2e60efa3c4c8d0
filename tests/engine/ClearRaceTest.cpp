// Clearing the collected data while records flow: the read total and the operations count are raised
// outside the data lock, so a clear must never be undone by an add that straddles it.
#include <atomic>

#include "engine/Counters.h"
#include "engine/MonitorFixture.h"
#include "engine/ReplyWalk.h"
#include "engine/RetrievalRecord.h"
#include "support/WorkerThread.h"
#include "support/WrimonRecords.h"

namespace
{
// Records between two clears: far more than can arrive while one clear runs, so a total that came back
// from before the clear stands out.
constexpr uint64_t kRecordsBetweenClears = 50;
constexpr int kClears = 1000;

TEST_F(MonitorTest, NoCountSurvivesAClearWhileRecordsFlow)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    // Only the totals matter here; without items and processes each record is cheap, so the adds come
    // as fast as they can.
    m_settings.m_boolDoNotLogFiles = 1;
    m_settings.m_boolCollectProcessesInformation = 0;
    CounterStore(m_monitor->m_boolRunning, LONG(1));

    wrimon_test::RecordFields fields;
    fields.name = L"\\Device\\HarddiskVolume2\\a.txt";
    fields.writeLength = 1;
    fields.readLength = 1;
    const std::vector<BYTE> record = wrimon_test::MakeRecord(fields);
    const LogRecordView view(record.data(), static_cast<uint32_t>(record.size()));

    // Each fed record adds 1 to the read total before it is counted here.
    std::atomic<uint64_t> fed{0};
    std::atomic<bool> stop{false};
    WorkerThread feeder(
        [&]
        {
            while (!stop.load())
            {
                // Keeps the queue short: the processing thread takes from it as fast as it can.
                if (m_monitor->GetPendingRecords() > 1000)
                    continue;
                QueueLogRecord(*m_monitor, view);
                fed.fetch_add(1);
            }
        });
    HANDLE processing = CreateThread(nullptr, 0, ProcessLogRecords, m_monitor.get(), 0, nullptr);
    ASSERT_NE(nullptr, processing);

    // The totals may only hold what was fed since the last clear (and what was queued at it). They are
    // read before the fed count, so at most the one record the feeder is in the middle of is missing.
    uint64_t fedAtClear = 0;
    uint64_t queuedAtClear = 0;
    int failures = 0;
    auto check = [&](int clear, const char* when)
    {
        const uint64_t read = CounterLoad(m_monitor->m_stats.m_qwordRead);
        const uint64_t operations = CounterLoad(m_monitor->m_stats.m_qwordOperations);
        const uint64_t fedSince = fed.load() - fedAtClear + 1;
        if (read <= fedSince && operations <= fedSince + queuedAtClear)
            return;
        ++failures;
        ADD_FAILURE() << when << " clear " << clear << ": read total " << read << " and " << operations
                      << " operations, with " << fedSince << " records fed since the clear";
    };
    for (int i = 0; i < kClears && failures < 5; ++i)
    {
        while (CounterLoad(m_monitor->m_stats.m_qwordRead) < kRecordsBetweenClears &&
               CounterLoad(m_monitor->m_stats.m_qwordOperations) < kRecordsBetweenClears)
            SwitchToThread();
        check(i, "before");
        fedAtClear = fed.load();
        // Entries still queued, and the batch the processing thread has taken (at most 64), may be
        // counted after the clear.
        queuedAtClear = static_cast<uint64_t>(m_monitor->GetPendingRecords()) + 64;
        m_monitor->Clear(0);
        check(i, "right after");
    }
    stop.store(true);
    EXPECT_TRUE(feeder.Join());
    CounterStore(m_monitor->m_boolStop, LONG(1));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(processing, 30000));
    CloseHandle(processing);
}
} // namespace
