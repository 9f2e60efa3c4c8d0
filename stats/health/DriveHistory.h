// The drives' daily readings in memory: the rows of "Drive History.csv" and today's latest readings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/health/DriveDay.h"

// The growth of a drive's host write counter that falls on one day.
struct CQDriveHostDay
{
    int32_t day = 0;
    uint64_t bytes = 0;
};

class CQDriveHistory
{
public:
    // Rows oldest first, by disk number within a day.
    const std::vector<CQDriveDay>& Rows() const { return m_arrRows; }
    void SetRows(std::vector<CQDriveDay> rows);
    // Adds the rows of a file read again later; a row the history has for that drive and day stays.
    void MergeRows(const std::vector<CQDriveDay>& rows);
    // Makes the reading the day's row of its drive (a later reading of the day replaces an earlier one);
    // false when it holds no figure to keep.
    bool Record(int32_t day, const CQDiskReading& reading);

    // One drive's rows, oldest first.
    std::vector<CQDriveDay> RowsOf(const std::wstring& identity) const;
    // The drives the history knows, in the order they first appear.
    std::vector<std::wstring> Identities() const;

    // The host bytes a drive wrote per day, for a chart beside the measured bars: the growth of its counter
    // from one row to the next, spread evenly over the days between them (a gap of three days gives each a
    // third, the remainder to the last; a gap of more than a year gives nothing). A counter that went back
    // (another drive, a reset) gives nothing.
    std::vector<CQDriveHostDay> HostBytesPerDay(const std::wstring& identity) const;

private:
    void Sort();

    std::vector<CQDriveDay> m_arrRows;
};
