#include "data/LinkCheck.h"

#include <shlobj.h>

#include <vector>

#include "data/Error.h"

namespace
{
// Asks a path-returning function for its text, growing the buffer as it says; empty on failure.
template <typename Call> std::wstring PathText(Call call)
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return std::wstring();
}

// "\\?\C:\a" and "\\?\UNC\server\share\a" as "C:\a" and "\\server\share\a".
std::wstring WithoutLongPrefix(const std::wstring& path)
{
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path.substr(4);
    return path;
}
bool SameText(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && !b.empty() &&
           CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring FinalPathOf(HANDLE handle)
{
    return WithoutLongPrefix(PathText(
        [handle](wchar_t* buffer, DWORD size)
        { return GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS); }));
}

// Where `full` really lies when it is below the application-data folder: the folder's own final path and
// the rest of `full` as it stands; empty otherwise. A link or junction on the way to that folder belongs
// to how the machine is set up (a profile or its AppData moved to another drive, which users who look
// after their SSD often do); only what lies below it is the user's to change, so only there must every
// name be itself.
std::wstring ThroughApplicationData(const std::wstring& full)
{
    wchar_t appData[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return std::wstring();
    std::wstring base = appData;
    while (!base.empty() && base.back() == L'\\')
        base.pop_back();
    if (base.empty() || full.size() <= base.size() || full[base.size()] != L'\\' ||
        !SameText(full.substr(0, base.size()), base))
        return std::wstring();
    HANDLE folder = CreateFileW(base.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return std::wstring();
    const std::wstring resolved = FinalPathOf(folder);
    CloseHandle(folder);
    if (resolved.empty() || SameText(resolved, base))
        return std::wstring();
    return resolved + full.substr(base.size());
}
} // namespace

bool IsReachedDirectly(HANDLE handle, const std::wstring& path, std::wstring* finalPath)
{
    const std::wstring reached = FinalPathOf(handle);
    const std::wstring full = PathText([&path](wchar_t* buffer, DWORD size)
                                       { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    // Short (8.3) names on the way differ from the final path too: the long form of each name is asked
    // for only then, as it reads every folder on the way. A link or junction keeps its own name in it.
    const bool direct =
        SameText(reached, full) ||
        SameText(reached, PathText([&full](wchar_t* buffer, DWORD size)
                                   { return GetLongPathNameW(full.c_str(), buffer, size); })) ||
        SameText(reached, ThroughApplicationData(full));
    if (!direct && finalPath)
        *finalPath = reached.empty() ? std::wstring(L"an unknown place") : reached;
    return direct;
}

HANDLE OpenPlainFileForReading(const std::wstring& path, DWORD& error, std::wstring& reason)
{
    error = NO_ERROR;
    reason.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        error = GetLastError();
        reason = CQError::SystemText(error);
        if (reason.empty())
            reason = L"error " + std::to_wstring(error);
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    std::wstring reached;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        reason = L"not a plain file";
    else if (!IsReachedDirectly(file, path, &reached))
        reason = L"it leads to '" + reached + L"' through a link or junction";
    if (reason.empty())
        return file;
    CloseHandle(file);
    error = ERROR_CANT_ACCESS_FILE;
    return INVALID_HANDLE_VALUE;
}

bool DeleteItself(const std::wstring& path, DWORD& error)
{
    error = NO_ERROR;
    HANDLE handle = CreateFileW(
        path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
    {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // Where a link cannot be opened as itself (Wine follows its host's links), what it leads to must
    // not go in its place.
    if (!IsReachedDirectly(handle, path))
    {
        CloseHandle(handle);
        error = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    const BOOL deleted =
        SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
    if (!deleted)
        error = GetLastError();
    CloseHandle(handle);
    return deleted != 0;
}
