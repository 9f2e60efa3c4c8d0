#include "engine/Monitor.h"

#include <ctime>

#include "app/ItemHandOver.h"
#include "app/SettingsRunTime.h"
#include "engine/Counters.h"
#include "engine/DataWriteLock.h"
#include "engine/events/SystemEvents.h"

CQMonitor::CQMonitor()
{
    m_lockData.Init();
    m_lockQueue.Init();
    m_lockDrives.Init();
    m_hCopyDone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    m_hQueueFilled = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hRetrieveThread = nullptr;
    m_hProcessThread = nullptr;
    m_boolThreadsStarted = 0;
    m_stats = CQStatisticsBlock{};
    Clear(0);
    m_qwordSavedChanges = m_qwordDataChanges;
    m_root.m_row.SetHandle(TVI_ROOT);
    m_hPort = nullptr;
    m_boolRunning = 0;
    m_boolStop = 0;
    SetTreeItemObserver(this);
}

CQMonitor::~CQMonitor()
{
    // An autosave still reading the tree ends first.
    m_backgroundSave.Wait();
    if (GetTreeItemObserver() == this)
        SetTreeItemObserver(nullptr);
    // The tree first (the root's own destructor runs last, when the members are destroyed), then the
    // processes, the live-process cache, the drives, the queue and the path cache, then the locks.
    m_root.RemoveAllChildren();
    m_mapProcessIndex.clear();
    m_pLastProcess = nullptr;
    m_arrProcesses.RemoveAll();
    m_arrRuntimeProcesses.RemoveAll();
    m_arrDrives.RemoveAll();
    m_pathCache.Clear();
    m_folderCache.Clear();
    m_lockDrives.Delete();
    m_lockQueue.Delete();
    m_lockData.Delete();
    if (m_hCopyDone != nullptr)
        CloseHandle(m_hCopyDone);
    if (m_hQueueFilled != nullptr)
        CloseHandle(m_hQueueFilled);
}

void CQMonitor::Clear(BOOL emptyView)
{
    {
        CQDataWriteLock lock(*this);
        if (m_pItemHandOver != nullptr)
        {
            // Items waiting for a row are about to be deleted.
            m_pItemHandOver->Discard();
            if (emptyView)
                m_pItemHandOver->ClearView();
        }
        m_root.RemoveAllChildren();

        CounterStore(m_stats.m_int64LastTimeStamp, static_cast<int64_t>(time(nullptr)));
        CounterStore(m_stats.m_qwordMonitoringSeconds, uint64_t(0));
        CounterStore(m_stats.m_qwordWritten, uint64_t(0));
        CounterStore(m_stats.m_qwordRead, uint64_t(0));
        CounterStore(m_stats.m_qwordWrittenAligned, uint64_t(0));
        CounterStore(m_stats.m_qwordOperations, uint64_t(0));
        CounterStore(m_stats.m_qwordFiles, uint64_t(0));
        CounterAdd(m_qwordDataChanges, uint64_t(1));

        m_pathCache.Clear();
        m_folderCache.Clear();
        m_mapProcessIndex.clear();
        m_intIndexedProcesses = 0;
        m_pLastProcess = nullptr;
        m_arrProcesses.RemoveAll();
    }
    // The live-process cache is the retrieval thread's, guarded by the queue lock; it is emptied in a step
    // of its own so that no two monitor locks are ever held together.
    CQLock lock(m_lockQueue);
    m_arrRuntimeProcesses.RemoveAll();
}

void CQMonitor::OnItemCreated(CQTreeItem* item)
{
    CounterAdd(m_stats.m_qwordFiles, uint64_t(1));
    if (m_pItemHandOver != nullptr)
        m_pItemHandOver->Push(item);
}

int CQMonitor::GetPendingRecords() const
{
    return static_cast<int>(CounterLoad(m_intQueueSize));
}

void CQMonitor::PublishQueueSizeLocked()
{
    CounterStore(m_intQueueSize, static_cast<LONG>(m_queue.GetCount()));
}

// The queue keeps its storage: an append copies into it, a removal copies out into the taker's strings, so
// a busy queue allocates nothing per record.
void CQMonitor::PushQueueEntryLocked(const void* fileName, size_t fileNameLength, const wchar_t* processName,
                                     size_t processNameLength, uint32_t processId, uint64_t bytes)
{
    m_queue.Push(fileName, fileNameLength, processName, processNameLength, processId, bytes);
    PublishQueueSizeLocked();
    // The first entry after the queue ran empty wakes the processing thread from its idle pause.
    if (m_queue.GetCount() == 1 && m_hQueueFilled != nullptr)
        SetEvent(m_hQueueFilled);
}

size_t CQMonitor::PopQueueEntries(QueueEntry* entries, size_t max)
{
    CQLock lock(m_lockQueue);
    const size_t taken = m_queue.PopNewest(entries, max);
    if (taken != 0)
        PublishQueueSizeLocked();
    return taken;
}

void CQMonitor::ShrinkQueue(size_t slack)
{
    CQLock lock(m_lockQueue);
    // Exactly the storage that the waiting entries use (segments of them); nothing at all when none waits.
    if (m_queue.GetCapacity() > m_queue.GetCount() + slack)
        m_queue.ReleaseSpare();
}

std::wstring CQMonitor::GetDataFilePath() const
{
    std::wstring path = m_pSettingsRunTime != nullptr ? m_pSettingsRunTime->m_csDataFolder : std::wstring();
    if (path.size() > 1 && path.back() != L'\\')
        path += L'\\';
    path += L"Monitored.Files";
    return path;
}
