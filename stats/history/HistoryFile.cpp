#include "stats/history/HistoryFile.h"

#include <windows.h>

#include <algorithm>

#include "data/Error.h"
#include "data/File.h"
#include "data/LinkCheck.h"
#include "data/SafeReplace.h"
#include "data/SaveTrailer.h"

namespace
{
BOOL WriteBytes(CQFile& file, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!file.Write(bytes.data() + done, chunk))
            return 0;
        done += chunk;
    }
    return 1;
}
} // namespace

CQHistoryRead ReadHistoryFile(const std::wstring& path, std::string& bytes, std::wstring& reason)
{
    bytes.clear();
    DWORD error = NO_ERROR;
    HANDLE file = OpenPlainFileForReading(path, error, reason);
    if (file == INVALID_HANDLE_VALUE)
    {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return CQHistoryRead::missing;
        // A folder in its place cannot even be opened as a file.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            reason = L"not a plain file";
        return CQHistoryRead::unreadable;
    }
    CQFile reader;
    reader.Adopt(file, path.c_str());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || static_cast<unsigned long long>(size.QuadPart) > kMaxHistoryFileBytes)
    {
        reason = L"larger than " + std::to_wstring(kMaxHistoryFileBytes >> 20) + L" MB";
        return CQHistoryRead::unreadable;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size())
    {
        DWORD got = 0;
        if (!reader.ReadSome(&bytes[done], static_cast<DWORD>(bytes.size() - done), got))
        {
            reason = CQError::SystemText(GetLastError());
            bytes.clear();
            return CQHistoryRead::unreadable;
        }
        if (got == 0)
            break;
        done += got;
    }
    // A file that shrank while it was read is taken as far as it went.
    bytes.resize(done);
    return CQHistoryRead::read;
}

bool WriteHistoryFile(const std::wstring& path, const std::string& bytes, unsigned long& error)
{
    CQReplaceOptions options;
    // The rows wait elsewhere when the file cannot be replaced; a temporary beside it would only be
    // clutter.
    options.keepIfNotReplaced = false;
    const CQReplaceResult result = SafeReplaceFile(
        path, [&bytes](CQFile& file) { return WriteBytes(file, bytes); }, options);
    error = result.error;
    return result.outcome == CQReplaceResult::replaced;
}

bool WritePendingRows(const std::wstring& path, const std::string& bytes, CQPendingRows kind)
{
    CQReplaceOptions options;
    options.trailer = true;
    options.trailerTag = static_cast<uint64_t>(kind);
    options.keepIfNotReplaced = false;
    return SafeReplaceFile(
               path, [&bytes](CQFile& file) { return WriteBytes(file, bytes); }, options)
               .outcome == CQReplaceResult::replaced;
}

CQPendingRead ReadPendingRows(const std::wstring& path, std::string& bytes, CQPendingRows& kind,
                              std::wstring& reason)
{
    const CQHistoryRead read = ReadHistoryFile(path, bytes, reason);
    if (read == CQHistoryRead::missing)
        return CQPendingRead::missing;
    if (read == CQHistoryRead::unreadable)
        return CQPendingRead::unusable;
    const CQTrailerCheck check = CheckSaveTrailer(bytes);
    if (check.state != CQTrailerCheck::verified ||
        (check.tag != static_cast<uint64_t>(CQPendingRows::wholeFile) &&
         check.tag != static_cast<uint64_t>(CQPendingRows::addedToFile)))
    {
        reason = L"it is not complete";
        bytes.clear();
        return CQPendingRead::unusable;
    }
    bytes.resize(static_cast<size_t>(check.length));
    kind = static_cast<CQPendingRows>(check.tag);
    return CQPendingRead::read;
}
