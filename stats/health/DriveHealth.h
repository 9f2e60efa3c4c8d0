// CQDriveHealth: the drives' own figures beside what Tavrello measures. It keeps the reading thread busy
// with the disks that hold the monitored drives (at start, every ten minutes, at every save and on the
// window's request), takes each finished round on the user-interface thread without waiting for it, keeps
// the daily readings in "Drive History.csv" beside the write history (written with every save, like it), runs
// the comparison with Tavrello's measurement and says which conditions deserve a warning.
//
// Every call belongs to the user-interface thread, except OnDataSaved, which runs on the thread that
// finished the save and touches only the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/SaveObserver.h"
#include "engine/health/HealthReader.h"
#include "stats/KeptCsvFile.h"
#include "stats/health/DriveAlerts.h"
#include "stats/health/DriveHealthTexts.h"
#include "stats/health/DriveHistory.h"

class CQHistoryClock;
class CQMonitor;

constexpr wchar_t kDriveHistoryFileName[] = L"Drive History.csv";

class CQDriveHealth : public ISaveDataObserver
{
public:
    // How long the exit waits for the round its last save asked for.
    static constexpr DWORD kFinishWaitMs = 5000;

    // The clock (not owned) must outlive the object; null is the system's clock.
    explicit CQDriveHealth(const CQHistoryClock* clock = nullptr);
    ~CQDriveHealth();
    CQDriveHealth(const CQDriveHealth&) = delete;
    CQDriveHealth& operator=(const CQDriveHealth&) = delete;

    // Reads the drive history in `dataFolder` (none: nothing is read or written), starts the reading thread
    // and asks for the first round over the monitor's attached drives.
    void Start(CQMonitor& monitor, const std::wstring& dataFolder,
               DWORD periodMs = CQHealthReader::kDefaultPeriodMs,
               DWORD requestTimeoutMs = CQHealthReader::kDefaultRequestTimeoutMs);
    bool IsStarted() const { return m_boolStarted; }

    // The main window's refresh: follows the attached drives, takes a finished round (the start's log lines,
    // the day's rows, the comparison, the file when a save asked for it). Returns the warnings to show now.
    std::vector<std::wstring> Poll(CQMonitor& monitor);
    // The window's "Read now".
    void RequestReading(CQMonitor& monitor);
    // A save of the collected data writes the file from the last readings, with the write history's
    // safety (stats/KeptCsvFile.h), and asks for a round that the next save writes.
    void OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes) override;
    void OnDataSaved() override;
    // At exit, after the last save: waits at most `waitMs` for the round that save asked for, writes the
    // file once more with it and stops the thread.
    void Finish(CQMonitor& monitor, DWORD waitMs = kFinishWaitMs);
    // Writes the file now; false when the file itself does not hold the rows (not started, an unreadable
    // file kept as it is, or a failure, which is logged; the rows then wait beside it).
    bool Save();

    // The drives as last read, in disk order; GetVersion changes whenever they do.
    const std::vector<CQDriveHealthView>& GetViews() const { return m_arrViews; }
    uint64_t GetVersion() const { return m_qwordVersion; }
    // Whether a round was asked for and is not in yet.
    bool IsReading() const { return m_qwordRequested > m_qwordTaken; }
    // Stores the rated endurance of the drive of view `index` (0 removes it); false when it cannot keep one.
    bool SetRatedTbw(size_t index, uint32_t tbw);

    const CQDriveHistory& GetHistory() const { return m_history; }
    // For the write history chart: a drive's host bytes per day (DriveHistory.h).
    std::vector<CQDriveHostDay> GetHostBytesPerDay(const std::wstring& identity) const;
    const std::wstring& GetFilePath() const { return m_file.GetPath(); }

private:
    // The file's rows in place of the present ones or added to them; the lines to keep.
    std::string ReadRows(const std::string& bytes, bool replaceRows);
    void PrepareFile();
    std::vector<std::wstring> MonitoredLetters(CQMonitor& monitor) const;
    uint64_t MeasuredOn(CQMonitor& monitor, const std::wstring& letters) const;
    void Request(const std::vector<std::wstring>& letters);
    std::vector<std::wstring> TakeRound(CQMonitor& monitor, const CQHealthReader::Round& round);
    CQDriveHealthView Compare(CQMonitor& monitor, const CQDiskReading& reading, int32_t today);

    const CQHistoryClock& m_clock;
    CQHealthReader m_reader;
    bool m_boolStarted = false;
    CQDriveHistory m_history;
    CQDriveAlerts m_alerts;
    CQKeptCsvFile m_file{kDriveHistoryFileName};
    std::vector<std::wstring> m_arrLetters;
    uint64_t m_qwordRequested = 0;
    uint64_t m_qwordTaken = 0;
    // The ticket of the round a save asked for; 0 for none.
    uint64_t m_qwordSaveTicket = 0;
    bool m_boolStartLogged = false;
    // The highest wear each drive had in the file at start.
    std::map<std::wstring, uint32_t> m_mapWearAtStart;
    std::map<std::wstring, CQDriveBaseline> m_mapBaselines;
    std::set<uint32_t> m_setSilentLogged;
    std::vector<CQDriveHealthView> m_arrViews;
    uint64_t m_qwordVersion = 0;
};
