// CQWriteHistory: the per-day write history of the running program. It follows the monitor's totals
// and process records (the day accounting), reads "Write History.csv" from the data folder at start-up
// and writes it with every save of the collected data, from the figures that save writes.
//
// The refresh, the clear, the start and the window's reads belong to the user-interface thread, which
// also begins every save (OnSaveBegins). OnDataSaved runs on the thread that finished the save (the
// autosave's own); it touches only the file, never the rows, and saves run one at a time.
#pragma once

#include <string>
#include <vector>

#include "engine/SaveObserver.h"
#include "stats/history/DayAccounting.h"
#include "stats/history/HistoryFile.h"

class CQHistoryClock;
class CQMonitor;

constexpr wchar_t kWriteHistoryFileName[] = L"Write History.csv";
constexpr wchar_t kPendingRowsSuffix[] = L".pending";

class CQWriteHistory : public ISaveDataObserver
{
public:
    // The clock (not owned) must outlive the object; null is the system's clock.
    explicit CQWriteHistory(const CQHistoryClock* clock = nullptr);

    // Reads the file in `dataFolder` (and rows that wait beside it) and counts from the monitor's present
    // totals on. Without a data folder nothing is read or ever written.
    void Start(CQMonitor& monitor, const std::wstring& dataFolder);
    // The growth since the last call (the main window's refresh, after the monitoring time advanced).
    void Refresh(CQMonitor& monitor);
    // Around a clear of the collected data: the day keeps what it had and goes on counting from zero.
    void BeforeClear(CQMonitor& monitor);
    void AfterClear(CQMonitor& monitor);

    // The growth up to the saved figures counted and the file's new contents made ...
    void OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes) override;
    // ... and written once the data is on the disk. When the file cannot be replaced, or read, the rows
    // wait in "Write History.csv.pending" and reach the file at the first save after it is free.
    void OnDataSaved() override;

    // The rows, oldest first, today's (if any) as counted so far; a copy for a window.
    std::vector<CQHistoryDay> GetDays();
    // The last row, for a window that follows today's growth; false when there is none.
    bool GetLastDay(CQHistoryDay& day);
    int32_t GetToday() const;
    const std::wstring& GetFilePath() const { return m_csPath; }

private:
    enum class FileState
    {
        notStarted,
        loaded,
        // There is a file that could not be read: its rows are not known, so it is left alone, tried
        // again at each save, and the rows counted meanwhile wait beside it.
        unreadable
    };

    void Sample(const CQHistoryTotals& totals, const CQPtrArray<CQProcess>* processes);
    // Reads the file into the rows (replacing them, or added to them); false when unreadable, which is
    // logged when `tell` is set.
    bool Load(bool replaceRows, bool tell);
    // At start-up: rows that waited beside the file; false when there are none to use.
    bool LoadPendingRows(bool& wholeFile);
    bool WritePending(CQPendingRows kind);

    const CQHistoryClock& m_clock;
    CQDayAccounting m_accounting;
    std::wstring m_csPath;
    std::wstring m_csPendingPath;
    // Lines of the file that are not rows of ours but are text: written back after the rows.
    std::string m_keptLines;
    FileState m_state = FileState::notStarted;
    // The written total when the process records were last looked at: they change only with it.
    uint64_t m_qwordWrittenAtProcessWalk = 0;

    // Made when a save begins, written when it has ended.
    std::string m_csSaveBytes;
    bool m_boolSaveBytesReady = false;
    CQPendingRows m_saveKind = CQPendingRows::wholeFile;
    // Whether "Write History.csv.pending" exists with rows of ours, and whether one that could not be used
    // is in its place (then it is never written over).
    bool m_boolPendingOnDisk = false;
    bool m_boolPendingBlocked = false;
    // Said once while the rows wait, not at every save.
    bool m_boolToldWaiting = false;
};
