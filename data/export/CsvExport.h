// Export of the collected data to a CSV file: UTF-8 with a byte-order mark, the header row, one row per
// item. The data lock is taken for one short slice of rows at a time, so the processing thread is kept
// waiting for no longer than that. The file is written under a temporary name in the same folder and
// moved to its name only when complete, so a failure never leaves a half-written file there.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "data/Process.h"
#include "data/PtrArray.h"

class CQCriticalSection;
class CQTreeItem;

// What is exported: the tree below the root, the processes its links name, and the lock that guards
// both. Not owned; all three outlive the export.
struct CQExportSource
{
    CQCriticalSection* m_pLock = nullptr;
    const CQTreeItem* m_pRoot = nullptr;
    const CQPtrAutoArray<CQProcess>* m_pProcesses = nullptr;
};

// Shared with whoever watches a running export: the rows written so far, and the request to stop.
struct CQExportProgress
{
    std::atomic<uint64_t> m_qwordRows{0};
    std::atomic<bool> m_boolStop{false};
};

struct CQExportResult
{
    enum Outcome
    {
        written,
        failed,
        stopped,
    };
    Outcome m_outcome = failed;
    DWORD m_dwordError = 0; // the system's error code of a failure
    uint64_t m_qwordRows = 0;
    // The longest hold of the data lock, for the benchmark.
    uint64_t m_qwordLongestSliceMicroseconds = 0;
};

// Rows taken under one hold of the data lock.
constexpr size_t kExportRowsPerSlice = 256;

// Writes the export to path, replacing a file of that name only on success. Failures are logged with
// the file's name; a stop request is honoured between slices. Any thread.
CQExportResult ExportTreeAsCsv(const CQExportSource& source, const std::wstring& path,
                               CQExportProgress& progress);
