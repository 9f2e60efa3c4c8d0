// The figures of the main window's statistics panel, computed apart from any window.
#pragma once

#include <cstdint>
#include <string>

#include "engine/StatisticsBlock.h"

class CQHistoryClock;

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

// The monitoring time counts only time awake: it adds the time of a clock that stands still while the
// machine sleeps and that changes of the calendar clock leave alone (the write history's awake clock), so
// neither a step of the clock nor a sleep that nobody announced adds to it. The block's time stamp still
// records the calendar second of the last advance, as the saved file has it.
class CQMonitoringClock
{
public:
    // The clock (not owned) must outlive the object; null is the system's.
    explicit CQMonitoringClock(const CQHistoryClock* clock = nullptr);

    // Counting starts now (monitoring switched on, a resume): the time before it does not count.
    void Restart();
    // While `counting`, adds the awake time since the last call (or Restart) to the monitoring seconds,
    // whole seconds only with the rest kept for later, and makes `now` the stamp. Otherwise the block
    // stays as it is, and the time until the next call does not count either.
    void Advance(CQStatisticsBlock& block, bool counting, int64_t now);

private:
    const CQHistoryClock& m_clock;
    bool m_boolCounting = false;
    uint64_t m_qwordLastAwakeMs = 0;
    uint64_t m_qwordCarryMs = 0;
};

// written and writtenAligned are the snapshot taken before the monitoring time was advanced; the other
// counters come from the block.
CQFigureTexts ComputeFigures(uint64_t written, uint64_t writtenAligned, const CQStatisticsBlock& block,
                             bool running, int pendingRecords, uint64_t lifeBudget);

// The main window's rate: the bytes a second, truncated, times the seconds of a day (1000 bytes in 3000
// seconds give 0). No seconds count as one.
uint64_t WritesPerDay(uint64_t written, uint64_t seconds);

// Texts of the SSD life figure for a number of days of life.
std::wstring FormatLife(uint64_t days);
