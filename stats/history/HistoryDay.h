// One row of the write history: what the running totals and the process records grew by during one
// local calendar day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writers kept per day, largest first.
constexpr size_t kTopWritersPerDay = 5;

struct CQTopWriter
{
    std::wstring name;
    uint64_t bytes = 0;
};

struct CQHistoryDay
{
    int32_t day = 0; // DayNumber.h
    uint64_t written = 0;
    uint64_t writtenAligned = 0;
    uint64_t read = 0;
    uint64_t operations = 0;
    uint64_t monitoringSeconds = 0;
    std::vector<CQTopWriter> topWriters; // at most kTopWritersPerDay, largest first
};

// a + b, held at the largest value instead of wrapping: figures read from a file may be anything.
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return a + b < a ? UINT64_MAX : a + b;
}
