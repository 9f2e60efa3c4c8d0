#include "data/SafeReplace.h"

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"

namespace
{
// Numbered names tried before giving up on setting a file aside.
constexpr int kMaxAsideNumber = 9999;

// The data is written through CQFile, which keeps its handle to itself, so the flush opens the file
// again: FlushFileBuffers writes out the file's cached data whichever handle asks for it.
void FlushToDisk(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        CQError error(L"SafeReplaceFile::CreateFile");
        return;
    }
    if (!FlushFileBuffers(file))
    {
        CQError error(L"SafeReplaceFile::FlushFileBuffers");
    }
    CloseHandle(file);
}
} // namespace

std::wstring SafeReplaceTemporaryPath(const std::wstring& path)
{
    return path + L".new";
}

BOOL SafeReplaceFile(const std::wstring& path, const std::function<BOOL(CQFile&)>& write,
                     const std::function<BOOL()>& beforeReplace)
{
    const std::wstring temporary = SafeReplaceTemporaryPath(path);
    {
        CQFile file(0, CQFile::kDefaultBufferSize);
        if (!file.Open(temporary.c_str(), CQFile::accessReadWrite | CQFile::create))
            return 0;
        BOOL written = write(file);
        // Close writes what is still buffered; a failure there is a failed write too.
        if (!file.Close())
            written = 0;
        if (!written)
        {
            DeleteFileW(temporary.c_str());
            return 0;
        }
    }
    FlushToDisk(temporary);
    if (beforeReplace && !beforeReplace())
    {
        LogLine(L"'" + path + L"' is not replaced; the new contents are kept in '" + temporary + L"'.");
        return 0;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        {
            CQError error(L"SafeReplaceFile::MoveFileEx");
        }
        LogLine(L"'" + path + L"' could not be replaced; the new contents are kept in '" + temporary + L"'.");
        return 0;
    }
    return 1;
}

std::wstring MoveFileAside(const std::wstring& path, const std::wstring& target)
{
    for (int number = 0; number <= kMaxAsideNumber; ++number)
    {
        const std::wstring name = number == 0 ? target : target + L"." + std::to_wstring(number);
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken fails the move: nothing is overwritten.
        if (MoveFileExW(path.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH))
            return name;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        {
            CQError report(L"MoveFileAside::MoveFileEx");
            LogLine(L"'" + path + L"' could not be moved to '" + name + L"'.");
            return std::wstring();
        }
    }
    LogLine(L"'" + path + L"' could not be moved aside: every name up to '" + target + L"." +
            std::to_wstring(kMaxAsideNumber) + L"' is taken.");
    return std::wstring();
}
