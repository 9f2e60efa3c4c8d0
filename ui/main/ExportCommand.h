// The main menu's "Export Collected Data...": the Save As dialog, the export on a thread of its own, its
// cancellation, its progress and outcome for the status line and the report of a failure.
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
    // Status lines after an export, for this many polls (refresh ticks).
    static constexpr int kOutcomePolls = 20;

    // Asks for the file and starts exporting the monitor's data to it; nothing happens while an export
    // is still on.
    void Begin(HWND owner, CQMonitor& monitor);
    bool IsRunning() const { return m_job.IsActive(); }
    // Asks a running export to stop at its next slice, without waiting; Poll takes its end. The chosen
    // file stays as it was.
    void Cancel();

    // The status line's text while an export runs, with its progress against the items in the tree (and
    // that the data is cleared after it, when `clearing`), and for kOutcomePolls polls after it ended
    // ("Exported to 'name.csv'"); false when there is none.
    bool GetStatusText(uint64_t items, bool clearing, std::wstring& text) const;

    // Once a second: when the export has ended, takes its result; a failure is reported with a message
    // box naming the file, the other outcomes in the status line.
    void Poll(HWND owner);
    // Stops a running export and waits for it; the chosen file is left as it was (the window is closing).
    void Stop();

    // "Tavrello <yyyy-mm-dd>.csv" for the date.
    static std::wstring DefaultFileName(const SYSTEMTIME& date);
    // The Save As dialog, replaceable so that tests can answer it.
    static BOOL(WINAPI* s_pfnGetSaveFileName)(LPOPENFILENAMEW);

private:
    void Report(HWND owner, const CQExportResult& result, const std::wstring& path);

    CQExportJob m_job;
    // The outcome of the last export for the status line, and the polls it still shows.
    std::wstring m_csOutcome;
    int m_intOutcomePolls = 0;
};
