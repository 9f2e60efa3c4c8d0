#include "data/LinkCheck.h"

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
} // namespace

bool IsReachedDirectly(HANDLE handle, const std::wstring& path, std::wstring* finalPath)
{
    const std::wstring reached = WithoutLongPrefix(PathText(
        [handle](wchar_t* buffer, DWORD size)
        { return GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS); }));
    const auto same = [&reached](const std::wstring& expected)
    {
        return !reached.empty() && !expected.empty() &&
               CompareStringOrdinal(reached.c_str(), static_cast<int>(reached.size()), expected.c_str(),
                                    static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
    };
    const std::wstring full = PathText([&path](wchar_t* buffer, DWORD size)
                                       { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    // Short (8.3) names on the way differ from the final path too: the long form of each name is asked
    // for only then, as it reads every folder on the way. A link or junction keeps its own name in it.
    const bool direct =
        same(full) || same(PathText([&full](wchar_t* buffer, DWORD size)
                                    { return GetLongPathNameW(full.c_str(), buffer, size); }));
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
