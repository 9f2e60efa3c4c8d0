// The processing thread: queued write entries become items, process attributions and written totals.
#include <windows.h>

#include <vector>

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "data/NameCompare.h"
#include "engine/Counters.h"
#include "engine/DataWriteLock.h"
#include "engine/Monitor.h"

namespace
{
std::wstring FoldedName(const std::wstring& name)
{
    std::wstring folded(name);
    for (wchar_t& c : folded)
        c = FoldNameChar(c);
    return folded;
}
} // namespace

CQProcess* CQMonitor::FindOrAddProcess(const QueueEntry& entry)
{
    // Processes loaded from the saved file, or appended since, join the index here; an earlier process
    // with the same name keeps its place, so the first match wins as in a scan from the first.
    while (m_intIndexedProcesses < m_arrProcesses.GetSize())
    {
        CQProcess* process = m_arrProcesses[m_intIndexedProcesses++];
        m_mapProcessIndex.emplace(FoldedName(process->m_csProcessName), process);
    }

    // Runs of writes by one process are common: an exact repeat of the last name needs no folding.
    CQProcess* process = m_pLastProcess;
    if (process != nullptr && process->m_csProcessName == entry.m_csProcessName)
    {
        process->m_qwordWritten += entry.m_qwordBytes;
        return process;
    }
    const std::wstring key = FoldedName(entry.m_csProcessName);
    auto found = m_mapProcessIndex.find(key);
    if (found != m_mapProcessIndex.end())
    {
        process = found->second;
    }
    else
    {
        process = new CQProcess;
        process->m_csProcessName = entry.m_csProcessName;
        process->m_dwordIndex = static_cast<uint32_t>(m_arrProcesses.GetSize());
        m_arrProcesses.Add(process);
        m_mapProcessIndex.emplace(key, process);
        m_intIndexedProcesses = m_arrProcesses.GetSize();
    }
    process->m_qwordWritten += entry.m_qwordBytes;
    m_pLastProcess = process;
    return process;
}

namespace
{
// Entries taken from the queue at once: one lock for many entries, and still the newest first.
constexpr size_t kBatchEntries = 64;

void ProcessEntry(CQMonitor& monitor, const QueueEntry& entry, std::wstring& resolved)
{
    const CQSettingsInterface* settings = monitor.m_pSettingsInterface;
    // Read once per entry, so the path resolved here is the one used below.
    const BOOL doNotLogFiles = settings != nullptr ? CounterLoad(settings->m_boolDoNotLogFiles) : 0;
    const BOOL collectProcesses =
        settings != nullptr ? CounterLoad(settings->m_boolCollectProcessesInformation) : 1;
    if (!doNotLogFiles)
        monitor.ResolvePath(entry.m_csFileName, resolved);

    {
        CQDataWriteLock lock(monitor);
        if (!doNotLogFiles)
        {
            CQTreeItem* item = monitor.FindOrCreateItem(resolved);
            if (item != nullptr)
            {
                const CQProcess* process = collectProcesses ? monitor.FindOrAddProcess(entry) : nullptr;
                item->AddWrite(entry.m_qwordBytes, process);
            }
        }
        CQStatisticsBlock& stats = monitor.m_stats;
        CounterAdd(stats.m_qwordWritten, entry.m_qwordBytes);
        CounterAdd(stats.m_qwordWrittenAligned, CQTreeItem::AlignSize(entry.m_qwordBytes));
        CounterAdd(monitor.m_qwordDataChanges, uint64_t(1));
    }
    CounterAdd(monitor.m_stats.m_qwordOperations, uint64_t(1));
}
} // namespace

DWORD WINAPI ProcessLogRecords(LPVOID parameter)
{
    CQMonitor* monitor = static_cast<CQMonitor*>(parameter);
    LogLine(L"ProcessLogRecords started");

    std::vector<QueueEntry> batch(kBatchEntries);
    std::wstring resolved;
    uint32_t idle = 0;
    while (CounterLoad(monitor->m_boolStop) == 0)
    {
        const size_t taken = monitor->PopQueueEntries(batch.data(), batch.size());
        if (taken != 0)
        {
            // The stop flag is looked at after every entry, as if each had been taken on its own. What was
            // taken but not processed then is dropped: after the stop nothing processes the queue again.
            size_t done = 0;
            do
                ProcessEntry(*monitor, batch[done++], resolved);
            while (done < taken && CounterLoad(monitor->m_boolStop) == 0);
        }
        else
        {
            // An idle pass lasts 100 ms, or until the queue's next entry.
            if (monitor->m_hQueueFilled == nullptr ||
                WaitForSingleObject(monitor->m_hQueueFilled, 100) == WAIT_FAILED)
                Sleep(100);
            ++idle;
            // About every 1 hour 49 minutes of idle passes, forget processes unused for an hour.
            if (idle & 0x000F0000)
            {
                idle = 0;
                CQLock lock(monitor->m_lockQueue);
                monitor->PruneProcessCache();
            }
        }
    }
    return 0;
}
