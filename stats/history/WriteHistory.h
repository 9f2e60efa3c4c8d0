// CQWriteHistory: the per-day write history of the running program. It follows the monitor's totals
// and process records (the day accounting), reads "Write History.csv" from the data folder at start-up
// and writes it after every save of the collected data.
//
// Every call belongs to the user-interface thread: the one-second refresh, the clear, the saves (exit,
// session end, autosave) and the history window.
#pragma once

#include <string>
#include <vector>

#include "engine/SaveObserver.h"
#include "stats/history/DayAccounting.h"

class CQHistoryClock;

constexpr wchar_t kWriteHistoryFileName[] = L"Write History.csv";

class CQWriteHistory : public ISaveDataObserver
{
public:
    // The clock (not owned) must outlive the object; null is the system's clock.
    explicit CQWriteHistory(const CQHistoryClock* clock = nullptr);

    // Reads the file in `dataFolder` and counts from the monitor's present totals on. Without a data
    // folder nothing is read or ever written.
    void Start(CQMonitor& monitor, const std::wstring& dataFolder);
    // The growth since the last call (the main window's refresh, after the monitoring time advanced).
    void Refresh(CQMonitor& monitor);
    // Around a clear of the collected data: the day keeps what it had and goes on counting from zero.
    void BeforeClear(CQMonitor& monitor);
    void AfterClear(CQMonitor& monitor);
    // The latest growth counted, then the file written.
    void OnDataSaved(CQMonitor& monitor) override;

    // Writes the file now; false when it was not written (not started, an unreadable file kept as it
    // is, or a failure, which is logged).
    bool Save();

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
        // There is a file that could not be read: it is left alone and tried again at the next save.
        unreadable
    };

    void Sample(CQMonitor& monitor, bool withProcesses);
    // Reads the file into the rows (replacing them at start-up, merged later); false when unreadable.
    bool Load(bool atStart);

    const CQHistoryClock& m_clock;
    CQDayAccounting m_accounting;
    std::wstring m_csPath;
    // Lines of the file that are not rows of ours but are text: written back after the rows.
    std::string m_keptLines;
    FileState m_state = FileState::notStarted;
    // The written total when the process records were last looked at: they change only with it.
    uint64_t m_qwordWrittenAtProcessWalk = 0;
};
