// The monitor's running counters. Their order and widths are also the saved data file's layout, which
// reads and writes them as one 56-byte block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Counters.h"

struct CQStatisticsBlock
{
    uint64_t m_qwordOperations;        // queue entries processed
    uint64_t m_qwordFiles;             // items created in the tree, folders included
    uint64_t m_qwordRead;              // read bytes of counted records
    uint64_t m_qwordWritten;           // written bytes
    uint64_t m_qwordWrittenAligned;    // written bytes, each write rounded up to 4096
    int64_t m_int64LastTimeStamp;      // calendar seconds of the last monitoring-time advance
    uint64_t m_qwordMonitoringSeconds; // accumulated seconds with the running flag on
};

static_assert(sizeof(CQStatisticsBlock) == 56, "the statistics block is saved as 56 bytes");
static_assert(offsetof(CQStatisticsBlock, m_qwordWrittenAligned) == 32, "saved layout");
static_assert(offsetof(CQStatisticsBlock, m_int64LastTimeStamp) == 40, "saved layout");
static_assert(offsetof(CQStatisticsBlock, m_qwordMonitoringSeconds) == 48, "saved layout");

// A copy of a block that the worker threads and the refresh keep writing without a lock: each field is
// read on its own, so the copy may mix values of slightly different moments.
inline CQStatisticsBlock LoadStatistics(const CQStatisticsBlock& block)
{
    CQStatisticsBlock copy;
    copy.m_qwordOperations = CounterLoad(block.m_qwordOperations);
    copy.m_qwordFiles = CounterLoad(block.m_qwordFiles);
    copy.m_qwordRead = CounterLoad(block.m_qwordRead);
    copy.m_qwordWritten = CounterLoad(block.m_qwordWritten);
    copy.m_qwordWrittenAligned = CounterLoad(block.m_qwordWrittenAligned);
    copy.m_int64LastTimeStamp = CounterLoad(block.m_int64LastTimeStamp);
    copy.m_qwordMonitoringSeconds = CounterLoad(block.m_qwordMonitoringSeconds);
    return copy;
}
