// One export of the collected data on a thread of its own, so the window stays responsive while it runs.
#pragma once

#include <windows.h>

#include <string>

#include "data/export/CsvExport.h"

class CQExportJob
{
public:
    CQExportJob() = default;
    // Stops a running export and waits for its thread.
    ~CQExportJob();
    CQExportJob(const CQExportJob&) = delete;
    CQExportJob& operator=(const CQExportJob&) = delete;

    // Starts exporting to path; false when an export is still on or the thread cannot be created (the
    // failure is logged then).
    bool Start(const CQExportSource& source, const std::wstring& path);

    // Whether a thread was started and its result not yet taken.
    bool IsActive() const { return m_hThread != nullptr; }
    // Whether the thread has ended; its result is then ready for TakeResult.
    bool HasEnded() const;
    uint64_t GetRows() const { return m_progress.m_qwordRows.load(); }
    const std::wstring& GetPath() const { return m_csPath; }

    // Waits for the thread to end and returns its result; the job is then free for the next Start. An
    // inactive job gives a result of no rows that is "stopped".
    CQExportResult TakeResult();
    // Asks the export to stop at its next slice, without waiting for it.
    void RequestStop() { m_progress.m_boolStop.store(true); }
    bool IsStopRequested() const { return m_progress.m_boolStop.load(); }
    // Asks the export to stop, then takes the result as above.
    CQExportResult Stop();

private:
    static DWORD WINAPI Run(LPVOID job);

    HANDLE m_hThread = nullptr;
    CQExportSource m_source;
    std::wstring m_csPath;
    CQExportProgress m_progress;
    CQExportResult m_result;
};
