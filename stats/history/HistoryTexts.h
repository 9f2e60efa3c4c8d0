// Texts of the history window: a day's tooltip, and the figures of the range shown with the main
// window's formulas and texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/history/HistoryDay.h"

// "2025-01-31" and the day's figures and top writers, one per line; today's is marked as still growing.
std::wstring FormatDayToolTip(const CQHistoryDay& day, bool isToday);

struct CQRangeFigures
{
    uint64_t written = 0;
    uint64_t writtenAligned = 0;
    uint64_t monitoringSeconds = 0;
    int monitoredDays = 0;
    // The bytes written per monitored day, (written / seconds) x 86400 as the main window computes it.
    uint64_t writtenPerDay = 0;
    std::wstring perDayText; // "12.34 Gb"
    std::wstring lifeText;   // "20 years", "Calculating"
};

// Over the rows in [firstDay, lastDay] (rows oldest first); the life for `lifeBudget` bytes.
CQRangeFigures ComputeRangeFigures(const std::vector<CQHistoryDay>& days, int32_t firstDay, int32_t lastDay,
                                   uint64_t lifeBudget);

// "Average per monitored day: 12.34 Gb (12 of 30 days monitored)".
std::wstring FormatAverageSentence(const CQRangeFigures& figures, int rangeDays);
// "Approx ssd life at that rate, for 240Gb: 20 years".
std::wstring FormatLifeSentence(const CQRangeFigures& figures, const wchar_t* capacityName);
