// The day accounting of the write history: what the running totals and the process records grew by,
// credited to the local calendar day on which the growth was seen.
//
// Growth is the difference between two samples. A counter that went down was cleared in between and
// counts from zero. Monitoring seconds are also held to the awake time between the samples, so neither
// a step of the calendar clock nor time asleep ever adds to a day. Growth goes to the row of the day the
// clock names, made where it belongs when there is none: rows stay one per day, oldest first, and a row
// dated in the future (a clock that jumped ahead and came back, a hand-edited file) never takes what the
// days before it grew by.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/Process.h"
#include "data/PtrArray.h"
#include "stats/history/HistoryDay.h"

// The monitor's counters that the history follows.
struct CQHistoryTotals
{
    uint64_t written = 0;
    uint64_t writtenAligned = 0;
    uint64_t read = 0;
    uint64_t operations = 0;
    uint64_t monitoringSeconds = 0;
};

class CQDayAccounting
{
public:
    // Rows as read from the file (one per day, oldest first); replaces the rows held.
    void SetDays(std::vector<CQHistoryDay> days);
    // Rows read only later: added to the counted ones day by day (figures summed, writers merged).
    void MergeDays(const std::vector<CQHistoryDay>& days);

    // Growth is counted from these totals and records on (at start-up, and again after a clear).
    void Begin(const CQHistoryTotals& totals, const CQPtrArray<CQProcess>& processes, uint64_t awakeMs);
    // Credits the growth since the last sample to today's row, made when anything grew. Without
    // processes (null) their growth waits for a later sample.
    void Sample(int32_t today, uint64_t awakeMs, const CQHistoryTotals& totals,
                const CQPtrArray<CQProcess>* processes);

    bool HasBegun() const { return m_boolBegun; }
    // The rows, oldest first, with the current day's top writers up to date.
    const std::vector<CQHistoryDay>& Days();

private:
    struct ProcessBase
    {
        std::wstring name;
        uint64_t bytes;
    };

    CQHistoryDay& RowFor(int32_t today);
    CQHistoryDay* FindDay(int32_t day);
    void UpdateTopWriters();
    void AddProcessGrowth(const CQPtrArray<CQProcess>& processes);

    std::vector<CQHistoryDay> m_arrDays;
    bool m_boolBegun = false;
    CQHistoryTotals m_last;
    uint64_t m_qwordLastAwakeMs = 0;
    // Bytes of each process record (by its index in the monitor's array) at the last sample.
    std::vector<ProcessBase> m_arrProcessBase;
    // The day whose row takes the growth, and what each process wrote on it.
    int32_t m_intCurrentDay = INT32_MIN;
    std::unordered_map<std::wstring, uint64_t> m_mapDayWriters;
    bool m_boolWritersChanged = false;
    // Process growth of the present sample, before it is known whether anything else grew.
    std::vector<std::pair<const std::wstring*, uint64_t>> m_arrProcessGrowth;
};

// The largest writers of a day, largest first (equal bytes by name), at most kTopWritersPerDay.
std::vector<CQTopWriter> PickTopWriters(const std::unordered_map<std::wstring, uint64_t>& writers);
