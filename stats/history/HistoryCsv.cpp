#include "stats/history/HistoryCsv.h"

#include <algorithm>
#include <string_view>

#include "data/csv/CsvText.h"
#include "data/csv/Utf8.h"
#include "stats/DecimalText.h"
#include "stats/history/DayNumber.h"

const char kHistoryCsvHeader[] = "Date,Bytes written,Bytes written aligned to 4096,Bytes read,Operations,"
                                 "Monitoring seconds,Top writers";

namespace
{
constexpr size_t kColumns = 7;
// Longer than any name the monitor keeps for a process.
constexpr size_t kMaxNameLength = 260;

enum class LineVerdict
{
    row,
    kept,
    leftOut
};

bool HasControlCharacters(std::string_view line)
{
    for (char c : line)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7F)
            return true;
    }
    return false;
}

// One line as CSV fields. A quote inside an unquoted field is taken as it stands, as spreadsheets do;
// false for a quoted field without its closing quote or with text after it.
bool SplitRecord(std::string_view line, std::vector<std::string>& fields)
{
    fields.clear();
    size_t i = 0;
    const size_t n = line.size();
    for (;;)
    {
        std::string field;
        if (i < n && line[i] == '"')
        {
            ++i;
            for (;;)
            {
                if (i >= n)
                    return false;
                if (line[i] == '"')
                {
                    if (i + 1 < n && line[i + 1] == '"')
                    {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < n && line[i] != ',')
                return false;
        }
        else
        {
            const size_t comma = line.find(',', i);
            const size_t end = comma == std::string_view::npos ? n : comma;
            field.assign(line.data() + i, end - i);
            i = end;
        }
        fields.push_back(std::move(field));
        if (i >= n)
            return true;
        ++i; // the comma; a comma at the very end gives an empty last field
    }
}

bool ParseCount(std::string_view text, uint64_t& value)
{
    return ParseDecimal(text, UINT64_MAX, value);
}

// "name=bytes;name=bytes". A name may itself hold ';' or '=': a piece that does not end in "=digits"
// is joined with the next one.
bool ParseTopWriters(const std::string& field, std::vector<CQTopWriter>& writers)
{
    writers.clear();
    if (field.empty())
        return true;
    std::string pending;
    bool havePending = false;
    size_t start = 0;
    for (;;)
    {
        const size_t end = field.find(';', start);
        const size_t stop = end == std::string::npos ? field.size() : end;
        if (havePending)
            pending += ';';
        pending.append(field, start, stop - start);
        const size_t equals = pending.rfind('=');
        uint64_t bytes = 0;
        if (equals != std::string::npos && equals > 0 &&
            ParseCount(std::string_view(pending).substr(equals + 1), bytes))
        {
            CQTopWriter writer;
            writer.name = WidenUtf8(std::string_view(pending).substr(0, equals));
            writer.bytes = bytes;
            if (writer.name.size() > kMaxNameLength || writers.size() == kTopWritersPerDay)
                return false;
            writers.push_back(std::move(writer));
            pending.clear();
            havePending = false;
        }
        else
        {
            havePending = true;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::stable_sort(writers.begin(), writers.end(),
                     [](const CQTopWriter& a, const CQTopWriter& b) { return a.bytes > b.bytes; });
    return !havePending;
}

LineVerdict ParseLine(std::string_view line, std::vector<std::string>& fields, CQHistoryDay& day,
                      std::wstring& reason)
{
    if (!SplitCsvTextLine(line, fields, reason))
        return LineVerdict::leftOut;
    // The writers' column may be missing altogether on a day nobody's writes were named.
    if (fields.size() != kColumns && fields.size() != kColumns - 1)
    {
        reason = L"expected 7 columns, found " + std::to_wstring(fields.size());
        return LineVerdict::kept;
    }
    if (!ParseDayNumber(fields[0], day.day))
    {
        reason = L"bad date";
        return LineVerdict::kept;
    }
    uint64_t* counts[] = {&day.written, &day.writtenAligned, &day.read, &day.operations,
                          &day.monitoringSeconds};
    for (size_t i = 0; i < 5; ++i)
    {
        if (!ParseCount(fields[i + 1], *counts[i]))
        {
            reason = L"bad number in column " + std::to_wstring(i + 2);
            return LineVerdict::kept;
        }
    }
    if (fields.size() == kColumns &&
        !ParseTopWriters(std::string(StripSpreadsheetTextMark(fields[6])), day.topWriters))
    {
        reason = L"bad top writers";
        return LineVerdict::kept;
    }
    return LineVerdict::row;
}

void AddProblem(CQHistoryFileContents& contents, size_t lineNumber, const std::wstring& reason, bool kept)
{
    ++contents.problemCount;
    if (contents.problems.size() < kMaxReportedProblems)
        contents.problems.push_back(L"line " + std::to_wstring(lineNumber) + L": " + reason +
                                    (kept ? L", kept in the file" : L", left out of the file"));
}

struct RowLine
{
    CQHistoryDay day;
    std::string_view text;
    size_t lineNumber;
};

} // namespace

bool SplitCsvTextLine(std::string_view line, std::vector<std::string>& fields, std::wstring& reason)
{
    if (HasControlCharacters(line))
    {
        reason = L"control characters";
        return false;
    }
    if (!IsUtf8(line))
    {
        reason = L"not UTF-8 text";
        return false;
    }
    if (!SplitRecord(line, fields))
    {
        reason = L"broken quoting";
        return false;
    }
    return true;
}

CQHistoryFileContents ParseHistoryCsv(const std::string& bytes)
{
    CQHistoryFileContents contents;
    std::vector<RowLine> rows;
    std::vector<std::string> fields;
    ForEachCsvFileLine(bytes, kHistoryCsvHeader,
                       [&](std::string_view line, size_t lineNumber, bool header)
                       {
                           RowLine row{CQHistoryDay(), line, lineNumber};
                           std::wstring reason;
                           const LineVerdict verdict = ParseLine(line, fields, row.day, reason);
                           if (verdict == LineVerdict::row)
                           {
                               rows.push_back(std::move(row));
                           }
                           else if (header)
                           {
                               // A heading of some other shape; ours replaces it.
                               AddProblem(contents, lineNumber, L"not the expected header", false);
                           }
                           else
                           {
                               AddProblem(contents, lineNumber, reason, verdict == LineVerdict::kept);
                               if (verdict == LineVerdict::kept)
                               {
                                   contents.keptLines.append(line.data(), line.size());
                                   contents.keptLines += "\r\n";
                               }
                           }
                       });

    // Oldest first; of two rows for one day the first in the file counts, the other is kept as text.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const RowLine& a, const RowLine& b) { return a.day.day < b.day.day; });
    std::vector<const RowLine*> seconds;
    contents.days.reserve(rows.size());
    for (const RowLine& row : rows)
    {
        if (!contents.days.empty() && contents.days.back().day == row.day.day)
        {
            seconds.push_back(&row);
            continue;
        }
        contents.days.push_back(row.day);
    }
    std::sort(seconds.begin(), seconds.end(),
              [](const RowLine* a, const RowLine* b) { return a->lineNumber < b->lineNumber; });
    for (const RowLine* row : seconds)
    {
        AddProblem(contents, row->lineNumber, L"a second row for " + FormatDayNumber(row->day.day), true);
        contents.keptLines.append(row->text.data(), row->text.size());
        contents.keptLines += "\r\n";
    }
    return contents;
}

std::string FormatHistoryRow(const CQHistoryDay& day)
{
    std::wstring line = FormatDayNumber(day.day);
    for (uint64_t count : {day.written, day.writtenAligned, day.read, day.operations, day.monitoringSeconds})
    {
        line += L',';
        AppendDecimal(line, count);
    }
    std::wstring writers;
    const size_t count = std::min(day.topWriters.size(), kTopWritersPerDay);
    for (size_t i = 0; i < count; ++i)
    {
        std::wstring name = day.topWriters[i].name;
        // A line break or other control character would split the record.
        for (wchar_t& c : name)
        {
            if (c < 0x20 || c == 0x7F)
                c = L'?';
        }
        if (name.empty())
            continue;
        if (!writers.empty())
            writers += L';';
        writers += name;
        writers += L'=';
        AppendDecimal(writers, day.topWriters[i].bytes);
    }
    line += L',';
    AppendCsvField(line, writers);
    std::string bytes;
    AppendUtf8(bytes, line);
    return bytes;
}

std::string FormatHistoryCsv(const std::vector<CQHistoryDay>& days, const std::string& keptLines)
{
    return FormatCsvFile(kHistoryCsvHeader, days, FormatHistoryRow, keptLines);
}
