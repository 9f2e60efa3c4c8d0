// Loading the collected data at the start: of "Monitored.Files" and the temporaries that saves leave
// beside it, the newest complete copy is loaded and put in the data file's place before anything can
// write over it. A copy is complete only when its trailer verifies; a file without a trailer (an older
// build's) loads by the format's own rules. Nothing that may hold the only copy of something is removed:
// what cannot be used is set aside, and the window tells the user once (the notices).
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "app/Log.h"
#include "app/SettingsRunTime.h"
#include "data/Error.h"
#include "data/LinkCheck.h"
#include "data/LockRetry.h"
#include "data/SafeReplace.h"
#include "data/SaveTrailer.h"
#include "engine/DataFileFormat.h"
#include "engine/Monitor.h"

namespace
{
struct CQCandidate
{
    std::wstring path;
    bool exists = false;
    bool unreadable = false;
    // A link, or a file reached through one: not ours, never read, and replaced or passed over by a save.
    bool link = false;
    // Verified, yet its data does not load completely or does not end where the trailer says.
    bool inconsistent = false;
    DWORD error = NO_ERROR;
    std::wstring reason;
    CQTrailerCheck trailer;

    bool IsVerified() const
    {
        return exists && !unreadable && !link && !inconsistent && trailer.state == CQTrailerCheck::verified;
    }
};

bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || !IsNotFound(GetLastError());
}

// The temporaries that are there, in the order of their names: one listing of the folder.
std::vector<std::wstring> PresentTemporaries(const std::wstring& path)
{
    std::vector<std::wstring> present;
    const std::vector<std::wstring> names = DataTemporaryNames(path);
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((names.front() + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES || error == ERROR_PATH_NOT_FOUND)
            return present;
        // The folder cannot be listed: each name is asked for.
        std::copy_if(names.begin(), names.end(), std::back_inserter(present), Exists);
        return present;
    }
    std::vector<std::wstring> listed;
    do
    {
        listed.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& name : names)
    {
        const std::wstring file = name.substr(name.find_last_of(L'\\') + 1);
        const bool there = std::any_of(
            listed.begin(), listed.end(),
            [&file](const std::wstring& entry)
            { return CompareStringOrdinal(entry.c_str(), -1, file.c_str(), -1, TRUE) == CSTR_EQUAL; });
        if (there)
            present.push_back(name);
    }
    return present;
}

// Opens the file and checks its trailer; a file another program holds for a moment is tried again.
void Inspect(CQCandidate& candidate)
{
    const DWORD error = RetryWhileLocked(
        [&candidate]
        {
            HANDLE file = OpenPlainFileForReading(candidate.path, candidate.error, candidate.reason);
            if (file == INVALID_HANDLE_VALUE)
                return candidate.error;
            candidate.error = CheckSaveTrailer(file, candidate.trailer);
            CloseHandle(file);
            if (candidate.error != NO_ERROR)
                candidate.reason = CQError::SystemText(candidate.error);
            return candidate.error;
        });
    candidate.exists = !IsNotFound(error);
    candidate.link = candidate.exists && error == ERROR_CANT_ACCESS_FILE;
    candidate.unreadable = candidate.exists && error != NO_ERROR && !candidate.link;
    if (candidate.unreadable)
    {
        SetLastError(error);
        CQFileError report(candidate.path.c_str());
    }
    if (candidate.link)
        LogLine(L"Saved data '" + candidate.path + L"' is not read: " + candidate.reason + L".");
}

// Loads the file by the format's rules after emptying the data, trying again while another program
// holds it for a moment. A complete load sets end (when given) to where the data ended.
DataFileState LoadCandidate(CQMonitor& monitor, CQCandidate& candidate, uint64_t* end = nullptr)
{
    DataFileState state = DataFileState::missing;
    uint64_t ended = 0;
    const DWORD error = RetryWhileLocked(
        [&]
        {
            monitor.Clear(0);
            state = LoadDataFile(monitor, candidate.path, candidate.error, candidate.reason, ended);
            return state == DataFileState::unreadable ? candidate.error : static_cast<DWORD>(NO_ERROR);
        });
    if (state == DataFileState::unreadable)
        candidate.unreadable = error != NO_ERROR;
    if (end != nullptr)
        *end = ended;
    return state;
}

// A verified file must load completely and end exactly where its trailer says.
bool LoadVerified(CQMonitor& monitor, CQCandidate& candidate)
{
    uint64_t end = 0;
    if (LoadCandidate(monitor, candidate, &end) == DataFileState::complete && end == candidate.trailer.length)
        return true;
    if (!candidate.unreadable)
    {
        candidate.inconsistent = true;
        LogLine(L"Saved data '" + candidate.path +
                L"' verifies but does not load as a whole; it is not used.");
    }
    monitor.Clear(0);
    return false;
}

std::wstring MoveAsideRetrying(const std::wstring& path, const std::wstring& target)
{
    std::wstring name;
    RetryWhileLocked(
        [&]
        {
            name = MoveFileAside(path, target);
            return name.empty() ? GetLastError() : static_cast<DWORD>(NO_ERROR);
        });
    return name;
}

// Logs the lines and keeps the notice the window shows.
void Tell(CQSavedDataState& state, const std::wstring& logLine, const std::wstring& notice)
{
    LogLine(logLine);
    state.notices.push_back(notice);
}

// A data folder that lies behind a link or junction cannot be saved into (the saves refuse it): the user
// is told at the start, not only when the first save fails.
void CheckDataFolder(const std::wstring& folder, CQSavedDataState& state)
{
    if (folder.empty())
        return;
    HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    std::wstring reached;
    const bool direct = IsReachedDirectly(handle, folder, &reached);
    CloseHandle(handle);
    if (direct)
        return;
    Tell(state,
         L"The data folder '" + folder + L"' leads to '" + reached +
             L"' through a link or junction; the collected data cannot be saved there.",
         L"The data folder '" + folder + L"' leads to '" + reached +
             L"' through a link or junction. Tavrello does not write through links there, so it cannot save "
             L"the collected data until that folder is a plain folder again.");
}

void KeepForTheNextSave(CQSavedDataState& state, const CQCandidate& candidate, const std::wstring& target,
                        const wchar_t* what)
{
    for (const CQKeptFile& kept : state.kept)
    {
        if (kept.path == candidate.path)
            return;
    }
    state.kept.push_back(CQKeptFile{candidate.path, target, what});
}

// The data file itself when it cannot be used as it is: kept, and renamed aside before a save replaces
// it.
void KeepDataFile(CQSavedDataState& state, const CQCandidate& data, const std::wstring& path)
{
    if (data.unreadable)
    {
        KeepForTheNextSave(state, data, path + kUnreadSuffix, L"could not be read");
        Tell(state,
             L"Saved data '" + path + L"' could not be read (" + data.reason +
                 L"); it is kept and moved aside at the next save.",
             L"The saved data '" + path + L"' could not be read (" + data.reason +
                 L"). It is kept: before new data is saved it is renamed to '" + path + kUnreadSuffix +
                 L"' (or that name with a number).");
    }
    else if (data.inconsistent || data.trailer.state == CQTrailerCheck::damaged)
    {
        KeepForTheNextSave(state, data, path + kDamagedSuffix, L"is damaged");
        Tell(state,
             L"Saved data '" + path +
                 L"' is damaged (it does not match its check sum); it is not loaded, it "
                 L"is kept and moved aside at the next save.",
             L"The saved data '" + path +
                 L"' is damaged: its contents do not match the check written with "
                 L"them, so it was not loaded. It is kept: before new data is saved "
                 L"it is renamed to '" +
                 path + kDamagedSuffix + L"' (or that name with a number).");
    }
}

// A temporary that is not the newest complete copy.
void SetAsideTemporary(CQSavedDataState& state, const CQCandidate& temporary, const std::wstring& path,
                       bool supersededCopy, bool loadedFrom)
{
    if (temporary.link)
        return;
    if (supersededCopy)
    {
        // A complete copy of an older save: what was loaded holds everything it did.
        DWORD error = NO_ERROR;
        if (DeleteItself(temporary.path, error))
            LogLine(L"'" + temporary.path + L"', an older complete copy of the saved data, is removed.");
        return;
    }
    if (temporary.unreadable)
    {
        KeepForTheNextSave(state, temporary, path + kUnreadSuffix, L"could not be read");
        Tell(state,
             L"Saved data '" + temporary.path + L"' could not be read (" + temporary.reason +
                 L"); it is kept and moved aside at the next save.",
             L"'" + temporary.path + L"', new data of an earlier save, could not be read (" +
                 temporary.reason + L"). It is kept: before new data is saved it is renamed to '" + path +
                 kUnreadSuffix + L"' (or that name with a number).");
        return;
    }
    const std::wstring name = MoveAsideRetrying(temporary.path, path + kTornSuffix);
    const std::wstring used =
        loadedFrom ? L" What could be read of it was loaded, as no complete copy was found." : L"";
    if (name.empty())
    {
        KeepForTheNextSave(state, temporary, path + kTornSuffix, L"is not a complete save");
        Tell(
            state,
            L"'" + temporary.path + L"' is not a complete save; it is kept and moved aside at the next save.",
            L"'" + temporary.path +
                L"' does not hold a complete save (a save was cut short, for example by a power loss). It is "
                L"kept, and renamed to '" +
                path + kTornSuffix + L"' (or that name with a number) before new data is saved." + used);
        return;
    }
    Tell(
        state, L"'" + temporary.path + L"', which is not a complete save, is kept as '" + name + L"'.",
        L"'" + temporary.path +
            L"' did not hold a complete save (a save was cut short, for example by a power loss). It is kept "
            L"as '" +
            name + L"'." + used);
}

// The newest complete copy goes into the data file's place; a data file that must be kept goes aside
// first. When that cannot be done now, the copy waits and the next save tries again.
void PlaceNewestCopy(CQSavedDataState& state, const CQCandidate& copy, CQCandidate& data,
                     const std::wstring& path)
{
    if (data.exists &&
        (data.unreadable || data.inconsistent || data.trailer.state == CQTrailerCheck::damaged))
    {
        const std::wstring target = path + (data.unreadable ? kUnreadSuffix : kDamagedSuffix);
        const std::wstring name = MoveFileAside(path, target);
        if (name.empty())
        {
            KeepDataFile(state, data, path);
            state.waitingCopy = copy.path;
            return;
        }
        Tell(state,
             L"'" + path + L"', which " + (data.unreadable ? L"could not be read" : L"is damaged") +
                 L", is kept as '" + name + L"'.",
             L"The saved data '" + path + L"' " +
                 (data.unreadable ? L"could not be read (" + data.reason + L")"
                                  : std::wstring(L"is damaged")) +
                 L"; newer complete data was found beside it and loaded. It is kept as '" + name + L"'.");
    }
    const DWORD error = RetryWhileLocked(
        [&]
        {
            return MoveFileExW(copy.path.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                       ? static_cast<DWORD>(NO_ERROR)
                       : GetLastError();
        });
    if (error == NO_ERROR)
        return;
    {
        SetLastError(error);
        CQError report(L"LoadData::MoveFileEx");
    }
    LogLine(L"'" + copy.path + L"' stays beside '" + path + L"' until a save can take its place.");
    state.waitingCopy = copy.path;
}
} // namespace

BOOL CQMonitor::LoadData()
{
    CQSavedDataState& state = m_savedData;
    state = CQSavedDataState();
    const std::wstring path = GetDataFilePath();
    if (m_pSettingsRunTime != nullptr)
        CheckDataFolder(m_pSettingsRunTime->m_csDataFolder, state);

    CQCandidate data;
    data.path = path;
    if (Exists(path))
        Inspect(data);
    std::vector<CQCandidate> temporaries;
    for (const std::wstring& name : PresentTemporaries(path))
    {
        temporaries.emplace_back();
        temporaries.back().path = name;
        Inspect(temporaries.back());
    }

    // 1. The verified copies, newest first: every save writes a temporary before it replaces the data
    // file, so the highest sequence number holds the newest data whatever the clock says; the data file
    // wins a tie.
    std::vector<CQCandidate*> verified;
    if (data.IsVerified())
        verified.push_back(&data);
    for (CQCandidate& temporary : temporaries)
    {
        if (temporary.IsVerified())
            verified.push_back(&temporary);
    }
    std::stable_sort(verified.begin(), verified.end(),
                     [](const CQCandidate* a, const CQCandidate* b)
                     { return a->trailer.tag > b->trailer.tag; });
    if (!verified.empty())
        state.sequence = verified.front()->trailer.tag;
    const CQCandidate* source = nullptr;
    bool complete = false;
    for (CQCandidate* copy : verified)
    {
        if (LoadVerified(*this, *copy))
        {
            source = copy;
            complete = true;
            if (copy != &data)
                LogLine(L"Saved data loaded from '" + copy->path + L"', the newest complete copy.");
            break;
        }
    }

    // 2. A data file without a trailer (an older build's) by the format's rules: what could be read of
    // a damaged one stays.
    if (source == nullptr && data.exists && !data.unreadable && !data.link &&
        data.trailer.state == CQTrailerCheck::absent)
    {
        const DataFileState loaded = LoadCandidate(*this, data);
        complete = loaded == DataFileState::complete;
        source = complete || loaded == DataFileState::damaged ? &data : nullptr;
    }

    // 3. No data file to load: a temporary that does not verify is read by the format's rules rather
    // than nothing.
    if (source == nullptr)
    {
        for (CQCandidate& temporary : temporaries)
        {
            if (temporary.unreadable || temporary.link || temporary.IsVerified() || temporary.inconsistent)
                continue;
            const DataFileState loaded = LoadCandidate(*this, temporary);
            if (loaded == DataFileState::complete || loaded == DataFileState::damaged)
            {
                source = &temporary;
                complete = loaded == DataFileState::complete;
                LogLine(L"Saved data partly recovered from '" + temporary.path +
                        L"', which is not a complete save.");
                break;
            }
            Clear(0);
        }
    }

    // 4. The files put in order. A temporary that was loaded complete takes the data file's place now,
    // before any save can write over it.
    const bool newestCopyLoaded = source != nullptr && source != &data && source->IsVerified();
    if (newestCopyLoaded)
        PlaceNewestCopy(state, *source, data, path);
    else
        KeepDataFile(state, data, path);
    for (CQCandidate& temporary : temporaries)
    {
        if (&temporary == source && newestCopyLoaded)
            continue;
        const bool superseded = temporary.IsVerified() && source != nullptr && source->IsVerified() &&
                                temporary.trailer.tag <= source->trailer.tag;
        SetAsideTemporary(state, temporary, path, superseded, &temporary == source);
    }

    m_qwordSavedChanges = m_qwordDataChanges;
    m_qwordSavedRead = m_stats.m_qwordRead;
    m_qwordSavedSeconds = m_stats.m_qwordMonitoringSeconds;
    return complete ? 1 : 0;
}
