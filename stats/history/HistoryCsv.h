// "Write History.csv": UTF-8 with a byte-order mark, a header row, then one row per day, oldest first:
// date, bytes written, bytes written aligned to 4096, bytes read, operations, monitoring seconds and the
// day's top writers as name=bytes joined by ';', written as every CSV text of the program is
// (data/csv/CsvText.h: quoted where needed, a field that looks like a formula marked as text). Lines end in
// CRLF.
//
// Reading never fails as a whole; lines may also end in LF or CR alone. Every line is one record (the program
// never writes a line break inside a field), so a damaged line cannot swallow the ones after it:
//  - a line that is not text (not UTF-8, control characters, broken quoting) is left out;
//  - a line that is text but not a row of ours (wrong columns, bad date or number, a second row for a
//    day) is not used but kept, and written back after the rows exactly as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/history/HistoryDay.h"

extern const char kHistoryCsvHeader[];

// Problem lines kept for the log; the rest are only counted.
constexpr size_t kMaxReportedProblems = 20;

struct CQHistoryFileContents
{
    std::vector<CQHistoryDay> days; // one per day, oldest first
    std::string keptLines;          // the kept lines, each ending in CRLF
    // "line 7: bad number in column 3, kept in the file"; the first kMaxReportedProblems only.
    std::vector<std::wstring> problems;
    size_t problemCount = 0;
};

CQHistoryFileContents ParseHistoryCsv(const std::string& bytes);
std::string FormatHistoryCsv(const std::vector<CQHistoryDay>& days, const std::string& keptLines);

// One row's text without its line end; used by the writer and by tests that build files.
std::string FormatHistoryRow(const CQHistoryDay& day);

// The bytes of a CSV file of the data folder: the byte-order mark, the header line, one line per row
// (`formatRow` gives its text without the line end) and the kept lines after them.
template <typename Row, typename FormatRow>
std::string FormatCsvFile(const char* header, const std::vector<Row>& rows, FormatRow formatRow,
                          const std::string& keptLines)
{
    std::string text("\xEF\xBB\xBF");
    text += header;
    text += "\r\n";
    for (const Row& row : rows)
    {
        text += formatRow(row);
        text += "\r\n";
    }
    text += keptLines;
    return text;
}

// The lines of a CSV file of the data folder, read as hostile text: the byte-order mark goes, lines end in
// CRLF, LF or a lone CR, blank lines are passed over, and a first line equal to `header` too. `onLine`
// gets each other line, its number (from 1) and whether it is the first line (a header of another shape).
template <typename OnLine> void ForEachCsvFileLine(std::string_view text, const char* header, OnLine onLine)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t lineNumber = 0;
    bool firstLine = true;
    for (size_t pos = 0; pos <= text.size();)
    {
        const size_t end = text.find_first_of("\r\n", pos);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(pos, stop - pos);
        pos = stop + (text.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        const bool first = firstLine;
        firstLine = false;
        if (first && line == header)
            continue;
        onLine(line, lineNumber, first);
    }
}

// Shared with the other CSV files the program reads back: one line of a file read as hostile text split into
// its fields, or false with the reason when the line is not text (not UTF-8, control characters) or its
// quoting is broken.
bool SplitCsvTextLine(std::string_view line, std::vector<std::string>& fields, std::wstring& reason);
