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
    m_hRetrieveThread = nullptr;
    m_hProcessThread = nullptr;
    m_boolThreadsStarted = 0;
    m_stats = CQStatisticsBlock{};
    Clear(0);
    m_qwordSavedChanges = m_qwordDataChanges;
    m_root.m_hTreeItem = TVI_ROOT;
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
    m_arrQueue.clear();
    m_arrQueue.shrink_to_fit();
    m_intQueueCount = 0;
    m_mapPathCache.clear();
    m_lockDrives.Delete();
    m_lockQueue.Delete();
    m_lockData.Delete();
    if (m_hCopyDone != nullptr)
        CloseHandle(m_hCopyDone);
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

        m_mapPathCache.clear();
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
    CounterStore(m_intQueueSize, static_cast<LONG>(m_intQueueCount));
}

// The slots past the count keep their strings' storage: an append writes into a slot's existing buffers
// and a removal swaps buffers with the taker's entry, so a busy queue allocates nothing per record.
QueueEntry& CQMonitor::AppendQueueEntryLocked()
{
    if (m_intQueueCount == m_arrQueue.size())
        m_arrQueue.emplace_back();
    QueueEntry& entry = m_arrQueue[m_intQueueCount++];
    entry.m_csFileName.clear();
    entry.m_csProcessName.clear();
    entry.m_dwordProcessId = 0;
    entry.m_qwordBytes = 0;
    PublishQueueSizeLocked();
    return entry;
}

void CQMonitor::DiscardQueueLocked()
{
    m_intQueueCount = 0;
    PublishQueueSizeLocked();
}

bool CQMonitor::PopQueueEntry(QueueEntry& entry)
{
    CQLock lock(m_lockQueue);
    if (m_intQueueCount == 0)
        return false;
    QueueEntry& newest = m_arrQueue[--m_intQueueCount];
    entry.m_csFileName.swap(newest.m_csFileName);
    entry.m_csProcessName.swap(newest.m_csProcessName);
    entry.m_dwordProcessId = newest.m_dwordProcessId;
    entry.m_qwordBytes = newest.m_qwordBytes;
    PublishQueueSizeLocked();
    return true;
}

void CQMonitor::ShrinkQueue(size_t slack)
{
    CQLock lock(m_lockQueue);
    if (m_arrQueue.capacity() - m_intQueueCount > slack)
    {
        // Exactly the entries that wait; nothing at all when none does.
        m_arrQueue.resize(m_intQueueCount);
        if (m_intQueueCount == 0)
            std::vector<QueueEntry>().swap(m_arrQueue);
        else
            m_arrQueue.shrink_to_fit();
    }
}

std::wstring CQMonitor::GetDataFilePath() const
{
    std::wstring path = m_pSettingsRunTime != nullptr ? m_pSettingsRunTime->m_csDataFolder : std::wstring();
    if (path.size() > 1 && path.back() != L'\\')
        path += L'\\';
    path += L"Monitored.Files";
    return path;
}
