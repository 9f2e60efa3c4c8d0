// The monitoring engine's state: driver connection, worker threads, record queue, counters, locks, drive
// list, process caches and the root of the collected tree. Exactly one lives in the application context.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "app/CriticalSection.h"
#include "data/Process.h"
#include "data/PtrArray.h"
#include "data/TreeItemFolder.h"
#include "data/TreeObserver.h"
#include "engine/DriveItem.h"
#include "engine/QueueEntry.h"
#include "engine/RuntimeProcess.h"
#include "engine/StatisticsBlock.h"

class CQSettingsInterface;
class CQSettingsRunTime;
class CQItemHandOver;

class CQMonitor : public ITreeItemObserver
{
public:
    CQMonitor();
    ~CQMonitor();
    CQMonitor(const CQMonitor&) = delete;
    CQMonitor& operator=(const CQMonitor&) = delete;

    // Empties the collected data: tree, processes, caches and counters (the time stamp becomes now).
    // With emptyView set the files tree view loses its rows first.
    void Clear(BOOL emptyView);

    // Monitoring start and the clean-up sequence. CleanUp is RecordAndDetachDrives followed by ShutDown;
    // the main window runs the two halves itself with its own steps between them.
    void Start();
    void CleanUp();
    // "Cleaning up...", stop flag, wait for the threads, close their handles and the port, remove the
    // driver service, save the collected data.
    void ShutDown();

    // Record processing (the retrieval thread calls LookupProcessName; the rest is the processing thread's).
    void LookupProcessName(DWORD processId, std::wstring& name);
    void PruneProcessCache();
    BOOL ResolvePath(const std::wstring& devicePath, std::wstring& resolved);
    CQTreeItem* FindOrCreateItem(const std::wstring& resolvedPath);
    CQProcess* FindOrAddProcess(const QueueEntry& entry);

    // Saved data file.
    BOOL SaveData();
    BOOL LoadData();
    std::wstring GetDataFilePath() const;

    // Driver service.
    BOOL InstallDriverService();
    BOOL RemoveDriverService();

    // Volumes and attachment.
    void ListVolumes();
    int CountInstances(const std::wstring& volumeName);
    BOOL AttachDrive(CQDriveItem* drive);
    BOOL DetachDrive(CQDriveItem* drive);
    void AttachSelectedDrives();
    void RecordAndDetachDrives();

    // Number of entries waiting in the record queue, read without a lock.
    int GetPendingRecords() const;

    // Item creation hook of the tree: counts the item and hands it to the files tree view.
    void OnItemCreated(CQTreeItem* item) override;

    HANDLE m_hPort;
    LONG m_boolRunning;
    LONG m_boolStop;
    CQStatisticsBlock m_stats;
    HANDLE m_hRetrieveThread;
    HANDLE m_hProcessThread;
    BOOL m_boolThreadsStarted;
    CQCriticalSection m_lockData;
    CQCriticalSection m_lockQueue;
    CQCriticalSection m_lockDrives;
    std::unordered_map<std::wstring, CQTreeItem*> m_mapPathCache;
    std::vector<QueueEntry> m_arrQueue;
    CQPtrAutoArray<CQDriveItem> m_arrDrives;
    CQPtrAutoArray<CQRuntimeProcess> m_arrRuntimeProcesses;
    CQPtrAutoArray<CQProcess> m_arrProcesses;
    CQTreeItemFolder m_root;

    // Settings the engine consults; the application context points these at its sections (not owned).
    CQSettingsInterface* m_pSettingsInterface = nullptr;
    CQSettingsRunTime* m_pSettingsRunTime = nullptr;
    // Where new items go on their way to the files tree view (not owned, may be null).
    CQItemHandOver* m_pItemHandOver = nullptr;
    // The retrieval thread's pause between polls, Sleep when null; a test shortens it to live through a
    // long idle stretch quickly.
    void (*m_pfnPollPause)(DWORD milliseconds) = nullptr;

    // Queue operations for the worker threads; both take the queue lock and publish the new size.
    // PopQueueEntry takes the newest entry (the queue is a stack) and returns false when it is empty.
    // ShrinkQueue gives back storage when more than slack entries' worth is unused.
    bool PopQueueEntry(QueueEntry& entry);
    void ShrinkQueue(size_t slack);
    // Under the queue lock: the caller appends one entry with AppendQueueEntryLocked.
    QueueEntry& AppendQueueEntryLocked();
    // Under the queue lock: the waiting entries (index 0 the oldest), and dropping them all. Slots past
    // the count in m_arrQueue are spare storage, not entries.
    size_t GetQueueCountLocked() const { return m_intQueueCount; }
    const QueueEntry& GetQueueEntryLocked(size_t index) const { return m_arrQueue[index]; }
    void DiscardQueueLocked();

private:
    void PublishQueueSizeLocked();

    // The queue's size as last published under the queue lock; the refresh reads it without the lock.
    LONG m_intQueueSize = 0;
    // Entries in use at the front of m_arrQueue; the slots after them are kept for reuse.
    size_t m_intQueueCount = 0;
    // Speeds up FindOrAddProcess: the first process of each case-insensitive name, by folded name.
    std::unordered_map<std::wstring, CQProcess*> m_mapProcessIndex;
    int m_intIndexedProcesses = 0;
    CQProcess* m_pLastProcess = nullptr;
};

// Thread entries (each takes the monitor and returns 0).
DWORD WINAPI RetrieveLogRecords(LPVOID monitor);
DWORD WINAPI ProcessLogRecords(LPVOID monitor);
