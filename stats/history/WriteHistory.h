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
#include "stats/KeptCsvFile.h"

class CQHistoryClock;
class CQMonitor;

constexpr wchar_t kWriteHistoryFileName[] = L"Write History.csv";

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
    const std::wstring& GetFilePath() const { return m_file.GetPath(); }

private:
    void Sample(const CQHistoryTotals& totals, const CQPtrArray<CQProcess>* processes);
    // The file's rows in place of the present ones or added to them; the lines to keep.
    std::string ReadRows(const std::string& bytes, bool replaceRows);

    const CQHistoryClock& m_clock;
    CQDayAccounting m_accounting;
    CQKeptCsvFile m_file{kWriteHistoryFileName};
    // The written total when the process records were last looked at: they change only with it.
    uint64_t m_qwordWrittenAtProcessWalk = 0;
};
