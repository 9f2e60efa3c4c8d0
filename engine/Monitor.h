// The monitoring engine's state: driver connection, worker threads, record queue, counters, locks, drive
// list, process caches and the root of the collected tree. Exactly one lives in the application context.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/CriticalSection.h"
#include "data/Process.h"
#include "data/PtrArray.h"
#include "data/TreeItemFolder.h"
#include "data/TreeObserver.h"
#include "engine/BackgroundSave.h"
#include "engine/DriveItem.h"
#include "engine/PathCache.h"
#include "engine/QueueEntry.h"
#include "engine/RecordQueue.h"
#include "engine/RuntimeProcess.h"
#include "engine/SaveJob.h"
#include "engine/SaveObserver.h"
#include "engine/SavedDataFiles.h"
#include "engine/StatisticsBlock.h"

class CQFile;
class CQSettingsInterface;
class CQSettingsRunTime;
struct CQReplaceResult;
class CQItemHandOver;
class CQRecordSource;
class CQSystemEvents;
class CQEventFeed;

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

    // The record source that Start brought up: the driver, or without it the system's file events. None
    // when neither works (the program then runs without measuring); None again after ShutDown.
    enum class RecordSource
    {
        None,
        Driver,
        SystemEvents
    };
    RecordSource GetRecordSource() const { return m_recordSource; }
    bool IsRecordSourceRunning() const { return m_recordSource != RecordSource::None; }

    // Process names. The live-process cache is guarded by the queue lock; asking the system takes no lock.
    // LookupProcessName: the cached name, else the system's (then cached), else "< unknown >".
    void LookupProcessName(DWORD processId, std::wstring& name);
    static constexpr wchar_t kUnknownProcessName[] = L"< unknown >";
    // Under the queue lock: the cached name of the process, marked as used at now; false when it is not
    // cached. RememberProcessNameLocked caches a name that QueryProcessName found.
    bool FindCachedProcessNameLocked(DWORD processId, uint32_t now, std::wstring& name);
    void RememberProcessNameLocked(DWORD processId, const std::wstring& name, uint32_t now);
    // The executable name from the process itself, or from a process snapshot when it cannot be opened;
    // false (name untouched) when neither names it.
    static bool QueryProcessName(DWORD processId, std::wstring& name);
    // Low 32 bits of the calendar time in seconds, the live-process cache's clock.
    static uint32_t ProcessCacheNow();
    // Under the queue lock: forgets processes unused for more than an hour.
    void PruneProcessCache();
    BOOL ResolvePath(const std::wstring& devicePath, std::wstring& resolved);
    CQTreeItem* FindOrCreateItem(const std::wstring& resolvedPath);
    CQProcess* FindOrAddProcess(const QueueEntry& entry);

    // Saved data file. Every save goes through BeginSave and FinishSave: the first holds the writers
    // (engine/DataWriteLock.h), takes the figures and tells the save observer; the second copies the
    // data into memory, lets the writers go and writes the copy to the disk. SaveData runs both on the
    // calling thread, which holds no monitor lock; it waits for an autosave that is still running.
    // SaveData and FinishSave return 1 once "Monitored.Files" holds the data. LoadData takes the newest
    // complete copy of the data file and the temporaries beside it (engine/DataFileLoad.cpp) and returns
    // 1 when it loaded one completely.
    BOOL SaveData();
    BOOL LoadData();
    std::wstring GetDataFilePath() const;
    // Begins a save on this thread and finishes it on a thread of its own (the autosave); 0 when it
    // could not start or one still runs.
    BOOL SaveDataInBackground();
    std::unique_ptr<CQSaveJob> BeginSave();
    BOOL FinishSave(CQSaveJob& job);
    // Whether anything was counted or cleared, or the read total or the monitoring time moved, since the
    // data was last loaded or saved.
    BOOL HasUnsavedChanges() const;

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

    // Without the driver (engine/events): the system's file events, and attaching a drive by letting its
    // records pass. The session is stopped after the worker threads.
    BOOL StartSystemEvents();
    void StopSystemEvents();
    // Ends the system's session at once (the Windows session ends); the threads then end as when the
    // events stop, and ShutDown still follows.
    void HaltSystemEvents();
    BOOL AttachEventDrive(CQDriveItem* drive);
    BOOL DetachEventDrive(CQDriveItem* drive);
    int CountEventInstances(const std::wstring& volumeName);

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
    // Whole resolved paths, and their folder parts, with their items (engine/PathCache.h).
    CQPathCache m_pathCache;
    CQPathCache m_folderCache;
    CQRecordQueue m_queue;
    CQPtrAutoArray<CQDriveItem> m_arrDrives;
    CQPtrAutoArray<CQRuntimeProcess> m_arrRuntimeProcesses;
    CQPtrAutoArray<CQProcess> m_arrProcesses;
    CQTreeItemFolder m_root;
    // Raised under the data lock whenever the collected data changes; the value the last good save
    // wrote. Both are read without a lock, as are the read total and monitoring seconds it wrote.
    uint64_t m_qwordDataChanges = 0;
    uint64_t m_qwordSavedChanges = 0;
    uint64_t m_qwordSavedRead = 0;
    uint64_t m_qwordSavedSeconds = 0;
    // Set (under the data lock) while a save copies the data without the lock; writers then wait for
    // the event, which is signalled whenever no copy runs (engine/DataWriteLock.h).
    BOOL m_boolSaveCopying = 0;
    HANDLE m_hCopyDone = nullptr;
    // Signalled when an entry goes into the empty queue: the processing thread's idle pause ends then.
    HANDLE m_hQueueFilled = nullptr;
    // The files beside the data file as the load found them and the saves left them.
    CQSavedDataState m_savedData;
    CQBackgroundSave m_backgroundSave;

    // The system-events mode; null while the driver is the source or nothing runs.
    std::unique_ptr<CQSystemEvents> m_pSystemEvents;
    // What the retrieval thread asks instead of the port; null for the port. Set before the threads
    // start and cleared after they end.
    CQRecordSource* m_pRecordSource = nullptr;
    // Makes the feed of system events; empty for the live session. Tests put a replay here.
    std::function<std::unique_ptr<CQEventFeed>()> m_fnMakeEventFeed;

    // Settings the engine consults; the application context points these at its sections (not owned).
    CQSettingsInterface* m_pSettingsInterface = nullptr;
    CQSettingsRunTime* m_pSettingsRunTime = nullptr;
    // Where new items go on their way to the files tree view (not owned, may be null).
    CQItemHandOver* m_pItemHandOver = nullptr;
    // Told at the start and the end of every save (not owned, may be null).
    ISaveDataObserver* m_pSaveObserver = nullptr;
    // The retrieval thread's pause between polls, Sleep when null; a test shortens it to live through a
    // long idle stretch quickly.
    void (*m_pfnPollPause)(DWORD milliseconds) = nullptr;

    // Queue operations for the worker threads; both take the queue lock and publish the new size.
    // PopQueueEntries takes up to max of the newest entries (the queue is a stack), newest first, and
    // returns how many. ShrinkQueue gives back storage when more than slack entries' worth is unused.
    size_t PopQueueEntries(QueueEntry* entries, size_t max);
    void ShrinkQueue(size_t slack);
    // Under the queue lock: appends one entry and copies its names (fileName may be unaligned UTF-16, as
    // in a reply).
    void PushQueueEntryLocked(const void* fileName, size_t fileNameLength, const wchar_t* processName,
                              size_t processNameLength, uint32_t processId, uint64_t bytes);

private:
    void PublishQueueSizeLocked();
    // The data file's replace with the files beside it kept in order (MonitorData.cpp).
    CQReplaceResult ReplaceDataFile(const std::function<BOOL(CQFile&)>& write);

    RecordSource m_recordSource = RecordSource::None;

    // The queue's size as last published under the queue lock; the refresh reads it without the lock.
    LONG m_intQueueSize = 0;
    // FindOrCreateItem for a path that is not in the path cache.
    CQTreeItem* FindOrCreateUncached(const std::wstring& resolvedPath);
    // The components of the path that FindOrCreateItem splits, kept for the next call.
    std::vector<std::wstring_view> m_arrPathParts;
    // Speeds up FindOrAddProcess: the first process of each case-insensitive name, by folded name.
    std::unordered_map<std::wstring, CQProcess*> m_mapProcessIndex;
    int m_intIndexedProcesses = 0;
    CQProcess* m_pLastProcess = nullptr;
};

// Thread entries (each takes the monitor and returns 0).
DWORD WINAPI RetrieveLogRecords(LPVOID monitor);
DWORD WINAPI ProcessLogRecords(LPVOID monitor);
