// Saving the collected data to "Monitored.Files" (version 1, then a trailer that proves the file
// complete). A save writes a temporary beside it, flushes it to the disk and only then replaces the old
// file; files that the load kept (unreadable, damaged, not a complete save) are renamed aside before a
// save takes their name, and a complete copy that waits beside the data file goes into its place first.
#include <windows.h>

#include <algorithm>
#include <new>
#include <vector>

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"
#include "data/LinkCheck.h"
#include "data/SafeReplace.h"
#include "data/TreeStream.h"
#include "engine/Counters.h"
#include "engine/DataFileFormat.h"
#include "engine/DataWriteLock.h"
#include "engine/Monitor.h"

namespace
{
bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Renames a kept file aside; true when it is out of the way (or gone), false when it stays kept.
bool SetAsideKept(CQSavedDataState& state, const std::wstring& path)
{
    const auto kept = std::find_if(state.kept.begin(), state.kept.end(),
                                   [&path](const CQKeptFile& file) { return file.path == path; });
    if (kept == state.kept.end())
        return true;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && IsNotFound(GetLastError()))
    {
        state.kept.erase(kept);
        return true;
    }
    const std::wstring name = MoveFileAside(path, kept->asideTarget);
    if (name.empty())
        return false;
    LogLine(L"'" + path + L"', which " + kept->what + L", is kept as '" + name + L"'.");
    state.kept.erase(kept);
    return true;
}

// The complete copy that waits beside the data file takes its place; true when it did.
bool PlaceWaitingCopy(CQSavedDataState& state, const std::wstring& path)
{
    if (!SetAsideKept(state, path))
        return false;
    if (!MoveFileExW(state.waitingCopy.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    LogLine(L"'" + state.waitingCopy + L"', the newest complete copy, has taken the place of '" + path +
            L"'.");
    state.waitingCopy.clear();
    return true;
}
} // namespace

CQReplaceResult CQMonitor::ReplaceDataFile(const std::function<BOOL(CQFile&)>& write)
{
    CQSavedDataState& state = m_savedData;
    const std::wstring path = GetDataFilePath();
    // Kept files at the temporaries' names are renamed aside first; those that cannot be stay where they
    // are, and so does a complete copy that still waits: the temporary takes another name.
    for (const std::wstring& name : DataTemporaryNames(path))
        SetAsideKept(state, name);
    if (!state.waitingCopy.empty())
        PlaceWaitingCopy(state, path);
    CQReplaceOptions options;
    for (const std::wstring& name : DataTemporaryNames(path))
    {
        const bool kept = std::any_of(state.kept.begin(), state.kept.end(),
                                      [&name](const CQKeptFile& file) { return file.path == name; });
        if (!kept && name != state.waitingCopy)
            options.temporaries.push_back(name);
    }
    options.trailer = true;
    options.trailerTag = state.sequence + 1;
    // A data file that the load could not use is renamed aside before anything replaces it.
    options.beforeReplace = [&state, &path] { return SetAsideKept(state, path) ? 1 : 0; };

    const CQReplaceResult result = SafeReplaceFile(path, write, options);
    if (result.outcome == CQReplaceResult::failed)
        return result;
    state.sequence = options.trailerTag;
    // A copy that waited is older than the one just written; should it stay, the next start sees that
    // from its sequence number.
    DWORD error = NO_ERROR;
    if (!state.waitingCopy.empty())
        DeleteItself(state.waitingCopy, error);
    state.waitingCopy = result.outcome == CQReplaceResult::kept ? result.temporary : std::wstring();
    return result;
}

std::unique_ptr<CQSaveJob> CQMonitor::BeginSave()
{
    std::unique_ptr<CQSaveJob> job(new CQSaveJob);
    job->writersHeld.emplace(*this);
    // With the writers held the written totals, the tree and the processes agree; the read total and the
    // monitoring time are taken at the same moment.
    job->changes = CounterLoad(m_qwordDataChanges);
    job->stats = LoadStatistics(m_stats);
    if (m_pSaveObserver != nullptr)
        m_pSaveObserver->OnSaveBegins(job->stats, m_arrProcesses);
    return job;
}

BOOL CQMonitor::FinishSave(CQSaveJob& job)
{
    // The data is copied into memory while the writers (the processing thread, a clear) wait, and written
    // to the disk after they go on. The window's reads of the tree need only the data lock, which the
    // copy does not hold. The bytes are those of a direct write.
    std::unique_ptr<CQTreeWriter> copy(new CQTreeWriter(nullptr));
    CQReplaceResult result;
    if (WriteDataFile(*this, *copy, job.stats))
    {
        job.writersHeld.reset();
        result = ReplaceDataFile([&copy](CQFile& file) { return copy->WriteTo(file); });
    }
    else
    {
        // No memory for the copy: the file is written from the data itself while the writers wait.
        copy.reset();
        LogLine(L"Not enough memory to copy the data for saving.");
        result = ReplaceDataFile(
            [this, &job](CQFile& file)
            {
                CQTreeWriter writer(&file);
                return WriteDataFile(*this, writer, job.stats);
            });
        job.writersHeld.reset();
    }
    if (result.outcome == CQReplaceResult::failed)
    {
        // The writing itself found no memory (its buffers are taken without throwing).
        if (result.error == ERROR_NOT_ENOUGH_MEMORY)
            LogNoMemoryForSave();
        return 0;
    }
    if (m_pSaveObserver != nullptr)
        m_pSaveObserver->OnDataSaved();
    if (result.outcome != CQReplaceResult::replaced)
        return 0;
    CounterStore(m_qwordSavedChanges, job.changes);
    CounterStore(m_qwordSavedRead, job.stats.m_qwordRead);
    CounterStore(m_qwordSavedSeconds, job.stats.m_qwordMonitoringSeconds);
    return 1;
}

BOOL CQMonitor::SaveData()
{
    // One save at a time: an autosave still running ends first.
    m_backgroundSave.Wait();
    // Memory that runs out anywhere in a save fails that save, and nothing else.
    try
    {
        std::unique_ptr<CQSaveJob> job = BeginSave();
        return FinishSave(*job);
    }
    catch (const std::bad_alloc&)
    {
        LogNoMemoryForSave();
        return 0;
    }
}

BOOL CQMonitor::SaveDataInBackground()
{
    if (m_backgroundSave.IsRunning())
        return 0;
    try
    {
        return m_backgroundSave.Start(*this, BeginSave());
    }
    catch (const std::bad_alloc&)
    {
        LogNoMemoryForSave();
        return 0;
    }
}

BOOL CQMonitor::HasUnsavedChanges() const
{
    return CounterLoad(m_qwordDataChanges) != CounterLoad(m_qwordSavedChanges) ||
           CounterLoad(m_stats.m_qwordRead) != CounterLoad(m_qwordSavedRead) ||
           CounterLoad(m_stats.m_qwordMonitoringSeconds) != CounterLoad(m_qwordSavedSeconds);
}
