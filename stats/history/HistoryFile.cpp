#include "stats/history/HistoryFile.h"

#include <windows.h>

#include <algorithm>

#include "data/Error.h"
#include "engine/FileHandle.h"

CQHistoryRead ReadHistoryFile(const std::wstring& path, std::string& bytes, std::wstring& reason)
{
    bytes.clear();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    {
        reason = L"not a plain file";
        return CQHistoryRead::unreadable;
    }
    // A link is not followed: whatever it points to is not the history's.
    CQFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsValid())
    {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return CQHistoryRead::missing;
        reason = CQError::SystemText(error);
        if (reason.empty())
            reason = L"error " + std::to_wstring(error);
        return CQHistoryRead::unreadable;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    {
        reason = L"not a plain file";
        return CQHistoryRead::unreadable;
    }
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > kMaxHistoryFileBytes)
    {
        reason = L"larger than " + std::to_wstring(kMaxHistoryFileBytes >> 20) + L" MB";
        return CQHistoryRead::unreadable;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes.size())
    {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
        {
            reason = CQError::SystemText(::GetLastError());
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

bool ReplaceFileWith(const std::wstring& path, const std::string& bytes)
{
    const std::wstring temporary = path + L".new";
    // Whatever sits at the temporary's name (a left-over, a planted link) goes first, and the temporary is
    // then made new, so the write can never land in another file.
    ::DeleteFileW(temporary.c_str());
    bool written = false;
    {
        CQFileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
        {
            CQFileError error(temporary.c_str());
            return false;
        }
        size_t done = 0;
        written = true;
        while (done < bytes.size())
        {
            DWORD put = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &put, nullptr) || put == 0)
            {
                CQFileError error(temporary.c_str());
                written = false;
                break;
            }
            done += put;
        }
        if (written && !::FlushFileBuffers(file.Get()))
        {
            CQFileError error(temporary.c_str());
            written = false;
        }
    }
    if (written &&
        !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        CQFileError error(path.c_str());
        written = false;
    }
    if (!written)
        ::DeleteFileW(temporary.c_str());
    return written;
}
