#include "data/export/CsvExport.h"

#include <algorithm>
#include <cwchar>

#include "app/CriticalSection.h"
#include "app/Log.h"
#include "data/Error.h"
#include "data/csv/Utf8.h"
#include "data/export/TreeCsvWalk.h"
#include "engine/FileHandle.h"

namespace
{
// UTF-8 gathered before each write to the file.
constexpr size_t kWriteChunk = 256 * 1024;
constexpr int kTemporaryNameTries = 100;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// A new file beside path, opened for writing; it did not exist before, so no file or link that someone
// else placed there is ever written through.
CQFileHandle CreateTemporaryBeside(const std::wstring& path, std::wstring& temporary)
{
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    DWORD seed = ::GetCurrentProcessId() * 2654435761u ^ static_cast<DWORD>(::GetTickCount64());
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt)
    {
        wchar_t name[32];
        std::swprintf(name, 32, L"~tav%08lx.tmp", static_cast<unsigned long>(seed + attempt * 7919u));
        temporary = folder + name;
        CQFileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid() || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return CQFileHandle();
}

BOOL WriteAll(HANDLE file, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const DWORD count = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, count, &written, nullptr) || written == 0)
            return FALSE;
        done += written;
    }
    return TRUE;
}

uint64_t Microseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<uint64_t>((to.QuadPart - from.QuadPart) * 1000000 / frequency.QuadPart);
}
} // namespace

CQExportResult ExportTreeAsCsv(const CQExportSource& source, const std::wstring& path,
                               CQExportProgress& progress)
{
    CQExportResult result;
    std::wstring temporary;
    CQFileHandle file = CreateTemporaryBeside(path, temporary);
    if (!file.IsValid())
    {
        CQFileError error(path.c_str());
        result.m_dwordError = error.GetErrorCode();
        return result;
    }

    LARGE_INTEGER frequency = {};
    ::QueryPerformanceFrequency(&frequency);
    CQTreeCsvWalk walk(*source.m_pRoot, *source.m_pProcesses);
    std::wstring text = CQTreeCsvWalk::kHeader;
    std::string bytes = kByteOrderMark;
    // Room for a slice up front, so the text does not grow while the lock is held.
    text.reserve(kExportRowsPerSlice * 512);
    bool more = true;
    bool ok = true;
    while (ok && more)
    {
        if (progress.m_boolStop.load())
        {
            result.m_outcome = CQExportResult::stopped;
            break;
        }
        {
            LARGE_INTEGER start = {}, end = {};
            CQLock lock(*source.m_pLock);
            ::QueryPerformanceCounter(&start);
            more = walk.NextSlice(text, kExportRowsPerSlice);
            ::QueryPerformanceCounter(&end);
            const uint64_t held = Microseconds(start, end, frequency);
            if (held > result.m_qwordLongestSliceMicroseconds)
                result.m_qwordLongestSliceMicroseconds = held;
        }
        progress.m_qwordRows.store(walk.GetRowCount());
        AppendUtf8(bytes, text);
        text.clear();
        if (bytes.size() >= kWriteChunk || !more)
        {
            ok = WriteAll(file.Get(), bytes);
            bytes.clear();
        }
    }
    result.m_qwordRows = walk.GetRowCount();

    if (ok && result.m_outcome != CQExportResult::stopped)
    {
        // Closing can be where a full disk shows, so it is checked too.
        ok = ::CloseHandle(file.Release()) != 0;
        if (ok)
            ok = ::MoveFileExW(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (ok)
        {
            result.m_outcome = CQExportResult::written;
            LogLine(L"Collected data exported to '" + path + L"', " + std::to_wstring(result.m_qwordRows) +
                    L" items");
            return result;
        }
    }
    if (!ok)
    {
        CQFileError error(path.c_str());
        result.m_outcome = CQExportResult::failed;
        result.m_dwordError = error.GetErrorCode();
    }
    else
    {
        LogLine(L"Export to '" + path + L"' stopped");
    }
    file.Reset();
    ::DeleteFileW(temporary.c_str());
    return result;
}
