// Texts of the history window: a bar's tooltip and its line under the chart, and the figures of the range
// shown: the average over the calendar days that had monitoring, and the SSD life at that rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/history/HistoryBars.h"
#include "stats/history/HistoryDay.h"

// "2025-01-31" and the day's figures and top writers, one per line; today's is marked as still growing.
std::wstring FormatDayToolTip(const CQHistoryDay& day, bool isToday);
// A bar's tooltip: the day's as above, or for a week its dates, figures, monitored days and top writers;
// with the drive's own figure ("Drive wrote: 12.34 Gb") after the written bytes.
std::wstring FormatBarToolTip(const CQChartBar& bar);
// The bar's figures in one line, for under the chart: "2025-01-31: written 3.00 Mb, aligned to (4k) ...",
// ending in ", drive wrote 12.34 Gb" with the drive's own figure.
std::wstring FormatBarLine(const CQChartBar& bar);

struct CQRangeFigures
{
    // Over the days of the range before today that have a row: today is not over yet.
    uint64_t written = 0;
    uint64_t writtenAligned = 0;
    int monitoredDays = 0;
    int pastDays = 0; // the days of the range before today
    // What an average one of those days wrote: their own totals over their number; 0 without one.
    uint64_t averagePerDay = 0;
    std::wstring perDayText; // "12.34 Gb"
    std::wstring lifeText;   // "20 years", "Calculating"
};

// Over the rows in [firstDay, today) (rows oldest first); the life for `lifeBudget` bytes at the average.
CQRangeFigures ComputeRangeFigures(const std::vector<CQHistoryDay>& days, int32_t firstDay, int32_t today,
                                   uint64_t lifeBudget);

// "Average per monitored day: 12.34 Gb (12 of the 29 days before today were monitored)".
std::wstring FormatAverageSentence(const CQRangeFigures& figures);
// "Approx ssd life at that rate, for 240Gb: 20 years".
std::wstring FormatLifeSentence(const CQRangeFigures& figures, const wchar_t* capacityName);
// How the average differs from the main window's "Writes/day", for the sentences' tooltip.
extern const wchar_t kAverageToolTip[];
