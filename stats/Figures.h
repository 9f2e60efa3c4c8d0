// The figures of the main window's statistics panel, computed apart from any window.
#pragma once

#include <cstdint>
#include <string>

#include "engine/StatisticsBlock.h"

struct CQFigureTexts
{
    std::wstring totalWrites;    // 1021
    std::wstring alignedWrites;  // 1022
    std::wstring operations;     // 1025
    std::wstring files;          // 1026
    std::wstring monitoringTime; // 1027
    std::wstring writesPerDay;   // 1028
    std::wstring alignedPerDay;  // 1029
    std::wstring totalRead;      // 1023
    std::wstring ratio;          // 1024
    std::wstring life;           // 1053
    std::wstring status;         // 1030
    std::wstring queue;          // 1031
};

// Adds the seconds since the last time stamp to the monitoring time while monitoring runs, and makes now
// the stamp. A now before the stamp (the clock was set back) adds nothing.
void AdvanceMonitoringTime(CQStatisticsBlock& block, bool running, int64_t now);

// written and writtenAligned are the snapshot taken before the monitoring time was advanced; the other
// counters come from the block.
CQFigureTexts ComputeFigures(uint64_t written, uint64_t writtenAligned, const CQStatisticsBlock& block,
                             bool running, int pendingRecords, uint64_t lifeBudget);

// The main window's rate: the bytes a second, truncated, times the seconds of a day (1000 bytes in 3000
// seconds give 0). No seconds count as one.
uint64_t WritesPerDay(uint64_t written, uint64_t seconds);

// Texts of the SSD life figure for a number of days of life.
std::wstring FormatLife(uint64_t days);
