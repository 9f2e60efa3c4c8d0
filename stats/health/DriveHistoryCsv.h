// "Drive History.csv": UTF-8 with a byte-order mark, the header line, then one row per drive per day (the
// day's last reading), oldest first and by disk number within a day; lines end in CRLF. Bytes are integers,
// an empty cell is a figure the drive does not report, and Source names where the bytes came from.
//
// Reading never fails as a whole. A line that is not text (not UTF-8, control characters, broken quoting)
// is left out; a line that is text but not a row of ours (wrong columns, bad date or number, a second row
// for a drive and day) is kept and written back after the rows exactly as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stats/health/DriveDay.h"

extern const char kDriveHistoryCsvHeader[];

struct CQDriveHistoryFileContents
{
    std::vector<CQDriveDay> rows; // oldest first
    std::string keptLines;        // each ending in CRLF
    // "line 7: bad number in column 5, kept in the file"; the first few only.
    std::vector<std::wstring> problems;
    size_t problemCount = 0;
};

CQDriveHistoryFileContents ParseDriveHistoryCsv(const std::string& bytes);
// The whole file: rows in the order given.
std::string FormatDriveHistoryCsv(const std::vector<CQDriveDay>& rows, const std::string& keptLines);
