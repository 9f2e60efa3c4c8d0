// The heavy-writing alert: once a second the refresh hands it the monitor, it keeps what was written in
// the last minute (per process too) and, when that exceeds the threshold of the settings, logs the alert
// and returns its text for the balloon; at most once in ten minutes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/alerts/WriteWindow.h"

class CQMonitor;
class CQSettingsInterface;

class CQHeavyWriteAlert
{
public:
    static constexpr int64_t kQuietSeconds = 600;

    // One step at second `now` of a clock that does not go back (the refresh passes the tick count in
    // seconds; tests pass their own). True when an alert is due: it is logged and its text is in `text`.
    // Nothing is kept while monitoring or the alerts are off.
    bool Tick(CQMonitor& monitor, const CQSettingsInterface& settings, int64_t now, std::wstring& text);

    // Forgets the last minute and what the counters were, for when the collected data was cleared (process
    // indexes then name other processes). The quiet period after an alert stays.
    void Reset();

    // "Heavy writing: <process> wrote <size> in the last minute", or "Heavy writing: <size> written in the
    // last minute" without a process name.
    static std::wstring FormatText(const std::wstring& process, uint64_t bytes);

    // The threshold in bytes; 0 when the alerts are off.
    static uint64_t GetThreshold(const CQSettingsInterface& settings);

private:
    // Reads the written total and the process records (under the data lock) and returns what grew since
    // the previous sample; false when there was no previous sample or the data was cleared since.
    bool Sample(CQMonitor& monitor, uint64_t& written, std::vector<CQWriteWindow::ProcessBytes>& processes);

    CQWriteWindow m_window;
    bool m_boolPrimed = false;
    uint64_t m_qwordWritten = 0;
    // Per process index: its bytes at the previous sample, and its name.
    std::vector<uint64_t> m_arrProcessBytes;
    std::vector<std::wstring> m_arrProcessNames;
    bool m_boolAlerted = false;
    int64_t m_int64LastAlert = 0;
};
