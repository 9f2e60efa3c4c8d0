// The main menu's "Export Collected Data...": the Save As dialog, the export on a thread of its own, its
// progress for the status line and the report of a failure.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <string>

#include "data/export/ExportJob.h"

class CQMonitor;

class CQExportCommand
{
public:
    // Asks for the file and starts exporting the monitor's data to it; nothing happens while an export
    // is still on.
    void Begin(HWND owner, CQMonitor& monitor);
    bool IsRunning() const { return m_job.IsActive(); }
    // The status line while an export runs, with its progress against the items in the tree.
    std::wstring GetStatusText(uint64_t items) const;

    // Once a second: when the export has ended, a failure is reported with a message box naming the file.
    void Poll(HWND owner);
    // Waits for a running export to end and reports it as Poll does (the data is about to be cleared).
    void Finish(HWND owner);
    // Stops a running export; the chosen file is left as it was (the window is closing).
    void Stop();

    // "Tavrello <yyyy-mm-dd>.csv" for the date.
    static std::wstring DefaultFileName(const SYSTEMTIME& date);
    // The Save As dialog, replaceable so that tests can answer it.
    static BOOL(WINAPI* s_pfnGetSaveFileName)(LPOPENFILENAMEW);

private:
    void Report(HWND owner, const CQExportResult& result, const std::wstring& path);

    CQExportJob m_job;
};
