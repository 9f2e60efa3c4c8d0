// The bars of the history chart: one per day, or one per week (Monday to Sunday) over long ranges, each
// with the sums of the rows that it covers. Another figure per bar (a series of its own) is one more field
// of CQChartBar filled here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "stats/history/HistoryDay.h"

// Ranges longer than this many days are shown in weeks.
constexpr int kLongestDailyRange = 90;

struct CQChartBar
{
    // The figures of its days added up, their top writers merged; sum.day is the bar's first day.
    CQHistoryDay sum;
    int dayCount = 1;
    // The days with a row of the history, that is with monitoring.
    int monitoredDays = 0;
    bool includesToday = false;
    // What the chosen drive itself wrote as host writes over the bar's days
    // (stats/health/DriveChartSeries.h); none when no drive is chosen or it has no figure for any of the
    // days.
    std::optional<uint64_t> driveWritten;

    // What the bar reaches up to: the tallest of its figures, the drive's among them, so that the axis
    // holds the drive's bar too.
    uint64_t Height() const
    {
        return std::max({sum.writtenAligned, sum.written, driveWritten.value_or(uint64_t(0))});
    }
};

// 1, or 7 for a range longer than kLongestDailyRange.
int DaysPerBar(int rangeDays);

// Bars for the days [firstDay, lastDay] of `days` (rows oldest first). With weeks the first and the last
// bar can be short: they end at the range's ends.
std::vector<CQChartBar> GroupIntoBars(const std::vector<CQHistoryDay>& days, int32_t firstDay,
                                      int32_t lastDay, int32_t today, int daysPerBar);
