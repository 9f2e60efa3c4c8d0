// The saved data file, "Monitored.Files": totals, processes and the whole tree, version 1. A save goes
// through "Monitored.Files.new" and replaces the old file only once the new one is complete and on the
// disk; a load takes whichever of the two is newer and loads completely. A file that exists but that the
// system would not let us read is never replaced: the next save moves it aside.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"
#include "data/MemoryFile.h"
#include "data/SafeReplace.h"
#include "engine/Counters.h"
#include "engine/DataWriteLock.h"
#include "engine/Monitor.h"

namespace
{
const DWORD kFormatVersion = 1;
const wchar_t kUnreadSuffix[] = L".unread";

BOOL WriteDataFile(CQMonitor& monitor, CQFile& file)
{
    if (!file.Write(&kFormatVersion, sizeof(kFormatVersion)))
        return 0;
    const CQStatisticsBlock stats = LoadStatistics(monitor.m_stats);
    if (!file.Write(&stats, sizeof(stats)))
        return 0;
    const DWORD processes = static_cast<DWORD>(monitor.m_arrProcesses.GetSize());
    if (!file.Write(&processes, sizeof(processes)))
        return 0;
    for (DWORD i = 0; i < processes; ++i)
    {
        const CQProcess* process = monitor.m_arrProcesses[static_cast<int>(i)];
        if (!file.Write(&process->m_qwordWritten, 12))
            return 0;
        if (!file.WriteString(process->m_csProcessName, 260))
            return 0;
    }
    return monitor.m_root.Save(file);
}

enum class DataFileState
{
    untried,
    missing,
    empty,
    otherVersion,
    damaged,
    unreadable,
    complete,
};

// Notes the first read that the system refused, as opposed to one that met the end of the file; every
// field of the load is read through it.
class CQDataFileReader : public CQFile
{
public:
    CQDataFileReader() : CQFile(0, kDefaultBufferSize) {}
    BOOL Read(void* buffer, DWORD count) override
    {
        if (CQFile::Read(buffer, count))
            return 1;
        if (!HitEndOfFile() && m_dwordSystemError == NO_ERROR)
        {
            const DWORD error = GetLastError();
            m_dwordSystemError = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_READ_FAULT);
        }
        return 0;
    }
    BOOL ReadSome(void* buffer, DWORD count, DWORD& got) override
    {
        if (CQFile::ReadSome(buffer, count, got))
            return 1;
        if (m_dwordSystemError == NO_ERROR)
        {
            const DWORD error = GetLastError();
            m_dwordSystemError = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_READ_FAULT);
        }
        return 0;
    }
    DWORD GetSystemError() const { return m_dwordSystemError; }

private:
    DWORD m_dwordSystemError = NO_ERROR;
};

// Opens the file as the load does; the system's error when that fails, NO_ERROR when it opens.
DWORD OpenError(CQDataFileReader& file, const std::wstring& path)
{
    if (file.Open(path.c_str(), 0))
        return NO_ERROR;
    const DWORD error = GetLastError();
    return error != NO_ERROR ? error : static_cast<DWORD>(ERROR_OPEN_FAILED);
}

bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Loads one file into the monitor, additively, by the format's rules: whatever was read before a
// failure stays. `systemError` gets the system's error of an unreadable file.
DataFileState LoadDataFile(CQMonitor& monitor, const std::wstring& path, DWORD& systemError)
{
    CQDataFileReader file;
    systemError = OpenError(file, path);
    if (systemError != NO_ERROR)
        return IsNotFound(systemError) ? DataFileState::missing : DataFileState::unreadable;
    // GetSize reports a failure as the size 0, with the system's error left in place.
    SetLastError(NO_ERROR);
    if (file.GetSize() == 0)
    {
        systemError = GetLastError();
        return systemError == NO_ERROR ? DataFileState::empty : DataFileState::unreadable;
    }
    const auto failed = [&file, &systemError]
    {
        systemError = file.GetSystemError();
        return systemError != NO_ERROR ? DataFileState::unreadable : DataFileState::damaged;
    };

    DWORD version = 0;
    if (!file.Read(&version, sizeof(version)))
        return failed();
    if (version != kFormatVersion)
    {
        LogLine(L"Unsupported saved data format. New file started.");
        return DataFileState::otherVersion;
    }
    // Read into a copy first: a block cut short must not leave half of it in the counters.
    CQStatisticsBlock stats;
    if (!file.Read(&stats, sizeof(stats)))
        return failed();
    monitor.m_stats = stats;

    DWORD processes = 0;
    if (!file.Read(&processes, sizeof(processes)))
        return failed();
    for (DWORD i = 0; i < processes; ++i)
    {
        CQProcess* process = new CQProcess;
        if (!process->Load(file))
        {
            delete process;
            return failed();
        }
        // Links name a process by its position; a damaged file's stored index must not say otherwise.
        process->m_dwordIndex = i;
        monitor.m_arrProcesses.Add(process);
    }
    return monitor.m_root.Load(file) ? DataFileState::complete : failed();
}

// Moves `file` aside when the load could not read it; 1 when it is out of the way or needs no care.
BOOL SetAsideIfUnread(std::vector<std::wstring>& unread, const std::wstring& file, const std::wstring& target)
{
    const auto found = std::find(unread.begin(), unread.end(), file);
    if (found == unread.end())
        return 1;
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES && IsNotFound(GetLastError()))
    {
        unread.erase(found);
        return 1;
    }
    const std::wstring name = MoveFileAside(file, target);
    if (name.empty())
        return 0;
    LogLine(L"'" + file + L"', which could not be read, is kept as '" + name + L"'.");
    unread.erase(found);
    return 1;
}
} // namespace

BOOL CQMonitor::SaveData()
{
    // One save at a time: an autosave still running ends first.
    if (!m_backgroundSave.IsCurrentThread())
        m_backgroundSave.Wait();

    const std::wstring path = GetDataFilePath();
    const std::wstring aside = path + kUnreadSuffix;
    // The new file's name is taken only once a file of that name that could not be read is safe.
    if (!SetAsideIfUnread(m_arrUnreadFiles, SafeReplaceTemporaryPath(path), aside))
        return 0;
    const auto beforeReplace = [this, &path, &aside]
    { return SetAsideIfUnread(m_arrUnreadFiles, path, aside); };

    // The data is copied into memory while the writers (the processing thread, a clear) wait for this
    // thread, and written to the disk after they go on. The window's reads of the tree need only the
    // data lock, which the copy does not hold. The bytes are those of a direct write.
    CQMemoryFile copy;
    uint64_t changes = 0;
    BOOL copied = 0;
    BOOL saved = 0;
    {
        CQDataCopyGuard guard(*this);
        changes = CounterLoad(m_qwordDataChanges);
        copied = WriteDataFile(*this, copy);
        if (!copied)
        {
            // No memory for the copy: the file is written from the data itself while the writers wait.
            copy.Reset();
            saved = SafeReplaceFile(
                path, [this](CQFile& file) { return WriteDataFile(*this, file); }, beforeReplace);
        }
    }
    if (copied)
        saved = SafeReplaceFile(
            path, [&copy](CQFile& file) { return copy.WriteTo(file); }, beforeReplace);
    if (!saved)
        return 0;
    CounterStore(m_qwordSavedChanges, changes);
    if (m_backgroundSave.IsCurrentThread())
        CounterStore(m_boolBackgroundSaved, 1);
    else if (m_pSaveObserver != nullptr)
        m_pSaveObserver->OnDataSaved(*this);
    return 1;
}

void CQMonitor::NotifyBackgroundSave()
{
    // Only this thread starts a background save, and one at a time: no other can set the flag between
    // the load and the store.
    if (CounterLoad(m_boolBackgroundSaved) == 0)
        return;
    CounterStore(m_boolBackgroundSaved, 0);
    if (m_pSaveObserver != nullptr)
        m_pSaveObserver->OnDataSaved(*this);
}

BOOL CQMonitor::SaveDataInBackground()
{
    return m_backgroundSave.Start(*this);
}

BOOL CQMonitor::HasUnsavedChanges() const
{
    return CounterLoad(m_qwordDataChanges) != CounterLoad(m_qwordSavedChanges);
}

BOOL CQMonitor::LoadData()
{
    struct Candidate
    {
        std::wstring path;
        FILETIME written;
        DataFileState state;
        DWORD error;
    };
    const std::wstring path = GetDataFilePath();
    const std::wstring temporary = SafeReplaceTemporaryPath(path);
    // A "Monitored.Files.new" beside the file is the complete new data of a save whose replace failed,
    // or what a save left when it was cut short.
    std::vector<Candidate> candidates;
    for (const std::wstring& name : {path, temporary})
    {
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &info) && IsNotFound(GetLastError()))
            continue;
        candidates.push_back({name, info.ftLastWriteTime, DataFileState::untried, NO_ERROR});
    }
    if (candidates.size() == 2 && CompareFileTime(&candidates[1].written, &candidates[0].written) >= 0)
        std::swap(candidates[0], candidates[1]);

    size_t tried = 0;
    bool loaded = false;
    for (Candidate& candidate : candidates)
    {
        // What an earlier candidate left of a partial load goes.
        if (tried++ > 0)
            Clear(0);
        candidate.state = LoadDataFile(*this, candidate.path, candidate.error);
        if (candidate.state == DataFileState::complete)
        {
            loaded = true;
            if (candidate.path != path)
                LogLine(L"Saved data loaded from '" + candidate.path + L"', the newest complete copy.");
            break;
        }
    }
    for (Candidate& candidate : candidates)
    {
        if (candidate.path != path)
            continue;
        if (!loaded && &candidate != &candidates.back())
        {
            // Nothing loaded completely: the data file's own rules apply, and what could be read of it
            // stays.
            Clear(0);
            candidate.state = LoadDataFile(*this, path, candidate.error);
        }
        else if (candidate.state == DataFileState::untried)
        {
            // Not loaded, as the newer copy was complete; before a save replaces it, it must still be a
            // file that the system lets us open.
            CQDataFileReader probe;
            candidate.error = OpenError(probe, path);
            if (candidate.error != NO_ERROR && !IsNotFound(candidate.error))
                candidate.state = DataFileState::unreadable;
        }
    }
    for (const Candidate& candidate : candidates)
    {
        if (candidate.state != DataFileState::unreadable)
            continue;
        m_arrUnreadFiles.push_back(candidate.path);
        LogLine(L"Saved data '" + candidate.path + L"' could not be read (" +
                CQError::SystemText(candidate.error) + L"); it is kept and moved aside at the next save.");
    }
    m_qwordSavedChanges = m_qwordDataChanges;
    return loaded ? 1 : 0;
}
