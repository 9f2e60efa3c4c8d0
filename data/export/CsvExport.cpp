#include "data/export/CsvExport.h"

#include <algorithm>

#include "app/CriticalSection.h"
#include "app/Log.h"
#include "data/Error.h"
#include "data/csv/Utf8.h"
#include "data/export/TreeCsvWalk.h"
#include "data/File.h"
#include "data/SafeReplace.h"

namespace
{
// UTF-8 gathered before each write to the file.
constexpr size_t kWriteChunk = 256 * 1024;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// The file is written through the program's one durable replace, under a new name beside it (the folder
// is the user's), and replaces a file of its name only once it is complete.
CQReplaceOptions ExportReplaceOptions()
{
    CQReplaceOptions options;
    options.uniqueTemporary = true;
    options.refuseLinks = false;
    options.keepIfNotReplaced = false;
    return options;
}

BOOL WriteAll(CQFile& file, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const DWORD count = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!file.Write(bytes.data() + done, count))
            return FALSE;
        done += count;
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
    CQSafeReplacement file(path, ExportReplaceOptions());
    if (!file.Begin())
    {
        ::SetLastError(file.GetError());
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
            ok = WriteAll(file.File(), bytes);
            bytes.clear();
        }
    }
    result.m_qwordRows = walk.GetRowCount();

    if (ok && result.m_outcome != CQExportResult::stopped)
    {
        ok = file.Commit().outcome == CQReplaceResult::replaced;
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
        if (file.GetError() != NO_ERROR)
            ::SetLastError(file.GetError());
        CQFileError error(path.c_str());
        result.m_outcome = CQExportResult::failed;
        result.m_dwordError = error.GetErrorCode();
    }
    else
    {
        LogLine(L"Export to '" + path + L"' stopped");
    }
    // The temporary, not committed, goes with `file`.
    return result;
}
