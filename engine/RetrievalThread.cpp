// The retrieval thread: polls the driver's port (or the source that stands in for it), walks every reply and
// queues the counted writes for the processing thread. It is also the thread that notices that the driver
// has gone.
#include <windows.h>

#include <memory>
#include <new>

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "engine/PortRequest.h"
#include "engine/RecordSource.h"
#include "engine/ReplyWalk.h"
#include "engine/RetrievalRecord.h"
#include "engine/WrimonProtocol.h"

namespace
{

constexpr DWORD kPollPauseMs = 100;
// Consecutive unexpected request errors that are still tolerated.
constexpr unsigned kMaxUnexpectedErrors = 100;
// Idle polls before the queue's unused storage is looked at: 4096 of them, about 7 minutes.
constexpr uint32_t kIdleShrinkBits = 0x0FFFF000;
// Unused queue storage, in entries, that is worth giving back.
constexpr size_t kQueueSlack = 10000;

void StopMonitoring(CQMonitor& monitor)
{
    CounterStore(monitor.m_boolStop, LONG(1));
}

void PollPause(const CQMonitor& monitor)
{
    if (monitor.m_pfnPollPause != nullptr)
        monitor.m_pfnPollPause(kPollPauseMs);
    else
        Sleep(kPollPauseMs);
}

} // namespace

bool CQRetrievalBatch::Add(CQMonitor& monitor, const LogRecordView& record)
{
    // Read for every record, so that switching monitoring or an option takes effect at once.
    if (CounterLoad(monitor.m_boolRunning) == 0 || !IsCountedRecord(record))
        return false;
    const CQSettingsInterface* settings = monitor.m_pSettingsInterface;
    const BOOL collectProcesses =
        settings != nullptr ? CounterLoad(settings->m_boolCollectProcessesInformation) : 1;
    const BOOL doNotLogFiles = settings != nullptr ? CounterLoad(settings->m_boolDoNotLogFiles) : 0;
    CounterAdd(monitor.m_stats.m_qwordRead, record.ReadLength());
    uint32_t name = kNoName;
    if (collectProcesses)
    {
        // Runs of records of one process are the rule: a repeat of the last one needs no lookup.
        const uint32_t processId = record.ProcessId();
        if (!m_arrRecords.empty() && m_arrRecords.back().name != kNoName &&
            m_arrNames[m_arrRecords.back().name].processId == processId)
            name = m_arrRecords.back().name;
        else
        {
            const auto found = m_mapNames.emplace(processId, static_cast<uint32_t>(m_arrNames.size()));
            if (found.second)
                m_arrNames.push_back({processId, std::wstring(), false, false});
            name = found.first->second;
        }
    }
    m_arrRecords.push_back({record, doNotLogFiles == 0, name});
    return true;
}

void CQRetrievalBatch::Queue(CQMonitor& monitor)
{
    if (m_arrRecords.empty())
        return;
    // The records of one reply share one reading of the clock (whole seconds).
    const uint32_t now = CQMonitor::ProcessCacheNow();
    bool uncached = false;
    {
        CQLock lock(monitor.m_lockQueue);
        for (ProcessName& process : m_arrNames)
        {
            process.cached = monitor.FindCachedProcessNameLocked(process.processId, now, process.name);
            uncached = uncached || !process.cached;
        }
        // The usual case: every process is cached, and the reply goes into the queue in the same pass.
        if (!uncached)
            PushLocked(monitor, now);
    }
    if (uncached)
    {
        // Once per process and reply, found or not: a process that has ended costs a snapshot, however
        // many of its records the reply holds.
        for (ProcessName& process : m_arrNames)
        {
            if (process.cached)
                continue;
            process.remember = CQMonitor::QueryProcessName(process.processId, process.name);
            if (!process.remember)
                process.name = CQMonitor::kUnknownProcessName;
        }
        CQLock lock(monitor.m_lockQueue);
        PushLocked(monitor, now);
    }
    m_arrRecords.clear();
    m_arrNames.clear();
    m_mapNames.clear();
}

void CQRetrievalBatch::PushLocked(CQMonitor& monitor, uint32_t now)
{
    for (const ProcessName& process : m_arrNames)
    {
        if (process.remember)
            monitor.RememberProcessNameLocked(process.processId, process.name, now);
    }
    for (const Pending& pending : m_arrRecords)
    {
        const LogRecordView& record = pending.record;
        const std::wstring* name = pending.name != kNoName ? &m_arrNames[pending.name].name : nullptr;
        monitor.PushQueueEntryLocked(
            pending.logFiles ? record.NameBytes() : nullptr, pending.logFiles ? record.NameLength() : 0,
            name != nullptr ? name->data() : nullptr, name != nullptr ? name->size() : 0, record.ProcessId(),
            record.WriteLength());
    }
}

void QueueLogRecord(CQMonitor& monitor, const LogRecordView& record)
{
    CQRetrievalBatch batch;
    if (batch.Add(monitor, record))
        batch.Queue(monitor);
}

DWORD WINAPI RetrieveLogRecords(LPVOID parameter)
{
    CQMonitor& monitor = *static_cast<CQMonitor*>(parameter);
    std::unique_ptr<BYTE[]> reply(new (std::nothrow) BYTE[WrimonReplyBufferSize]);
    LogLine(L"RetrieveLogRecords started");
    if (!reply)
    {
        LogLine(L"Unexpected error: RetrieveLogRecords - Abnormal Termination");
        StopMonitoring(monitor);
        LogLine(L"RetrieveLogRecords ended");
        return 0;
    }

    CQRetrievalBatch batch;
    const ReplyRecordSink onRecord = [&monitor, &batch](const LogRecordView& record)
    { batch.Add(monitor, record); };
    const ReplyLogSink onLogLine = [](const wchar_t* line) { LogLine(line); };
    unsigned errors = 0;
    uint32_t idle = 0;
    while (CounterLoad(monitor.m_boolStop) == 0)
    {
        CQRecordSource* source = monitor.m_pRecordSource;
        const PortReply result = source != nullptr
                                     ? source->RequestRecords(reply.get(), WrimonReplyBufferSize)
                                     : RequestLogRecords(monitor.m_hPort, reply.get(), WrimonReplyBufferSize);
        switch (ClassifyPortResult(result.Result))
        {
        case PortOutcome::DriverGone:
            // Another source has logged its own reason.
            if (source == nullptr)
                LogLine(L"Wrimon driver is not found - Termination");
            StopMonitoring(monitor);
            break;
        case PortOutcome::NothingReady:
            // Not an error: the count of consecutive errors stays as it is.
            PollPause(monitor);
            continue;
        case PortOutcome::Unexpected:
            LogLine(L"Unexpected error");
            if (++errors > kMaxUnexpectedErrors)
            {
                LogLine(L"Unexpected error: RetrieveLogRecords - Abnormal Termination");
                StopMonitoring(monitor);
                break;
            }
            PollPause(monitor);
            continue;
        case PortOutcome::Records:
            WalkReply(reply.get(), result.BytesReturned, onRecord, onLogLine);
            batch.Queue(monitor);
            errors = 0;
            if (result.BytesReturned == 0)
            {
                // After a long idle stretch the queue may give back the storage of a past burst.
                if (idle & kIdleShrinkBits)
                {
                    idle = 0;
                    monitor.ShrinkQueue(kQueueSlack);
                }
                else
                {
                    PollPause(monitor);
                }
                ++idle;
            }
            // A reply with data is followed at once by the next request.
            continue;
        }
        // Only the two ways of giving up on the driver get here.
        break;
    }
    LogLine(L"RetrieveLogRecords ended");
    return 0;
}
