// The heavy-writing alerts: once a second the refresh hands them the monitor. They keep what was written
// in the last minute and in the last hour (per process too). The minute's alert is a burst above the
// threshold of the settings; the hour's is a steady rate that wears the drive: by default one that would
// use the chosen SSD capacity's life budget in under five years, reckoned with the main window's formula.
// An alert is logged and its text returned for the balloon, the minute's at most once in ten minutes, the
// hour's at most once an hour; the writers of its period are kept for the balloon's click.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/alerts/WriteWindow.h"
#include "stats/history/HistoryDay.h"

class CQMonitor;
class CQSettingsInterface;

// An alert as it was raised: its period, what was written in it, and by whom, largest first.
struct CQAlertRecord
{
    bool hourly = false;
    uint64_t total = 0;
    std::vector<CQTopWriter> writers;
};

class CQHeavyWriteAlert
{
public:
    static constexpr int64_t kQuietSeconds = 600;
    static constexpr int64_t kHourQuietSeconds = 3600;
    // The life below which the hour's rate alerts by default.
    static constexpr uint64_t kWearLifeDays = 5 * 365;

    CQHeavyWriteAlert();

    // One step at second `now` of a clock that does not go back (the refresh passes the tick count in
    // seconds; tests pass their own). `lifeBudget` is the chosen capacity's (the main window's). True when
    // an alert is due: it is logged, its text is in `text` and GetLastAlert() has it. Nothing is kept
    // while monitoring or the alerts are off.
    bool Tick(CQMonitor& monitor, const CQSettingsInterface& settings, uint64_t lifeBudget, int64_t now,
              std::wstring& text);

    // Forgets the last minute and hour and what the counters were, for when the collected data was
    // cleared (process indexes then name other processes). The quiet periods after alerts stay.
    void Reset();

    // The latest alert; false before the first.
    bool GetLastAlert(CQAlertRecord& alert) const;

    // "Heavy writing: 2.31 Gb written in the last minute, 1.90 Gb of it (82%) by backup.exe", without the
    // part after the comma when no process is named. The hour's adds the SSD life at that rate.
    static std::wstring FormatText(const CQAlertRecord& alert, uint64_t lifeBudget);
    // The headline of the alert's writers list: "Writers of the minute to 14:02:10, data written: 2.31 Gb".
    static std::wstring FormatListHeadline(const CQAlertRecord& alert, const std::wstring& clockTime);

    // The minute's threshold in bytes; 0 when the alerts are off.
    static uint64_t GetThreshold(const CQSettingsInterface& settings);
    // Whether `bytes` written in an hour are an alert for the settings and the life budget.
    static bool IsWearingRate(const CQSettingsInterface& settings, uint64_t lifeBudget, uint64_t bytes);

private:
    // Reads the written total and the process records (under the data lock) and returns what grew since
    // the previous sample; false when there was no previous sample or the data was cleared since.
    bool Sample(CQMonitor& monitor, uint64_t& written, std::vector<CQWriteWindow::ProcessBytes>& processes);
    CQAlertRecord MakeRecord(const CQWriteWindow& window, bool hourly) const;

    CQWriteWindow m_minute;
    CQWriteWindow m_hour;
    bool m_boolPrimed = false;
    uint64_t m_qwordWritten = 0;
    // Per process index: its bytes at the previous sample, and its name.
    std::vector<uint64_t> m_arrProcessBytes;
    std::vector<std::wstring> m_arrProcessNames;
    bool m_boolAlerted = false;
    int64_t m_int64LastAlert = 0;
    bool m_boolHourAlerted = false;
    int64_t m_int64LastHourAlert = 0;
    bool m_boolHaveLast = false;
    CQAlertRecord m_last;
};
