#include "stats/health/DriveHistoryCsv.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "data/csv/CsvText.h"
#include "data/csv/Utf8.h"
#include "stats/DecimalText.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryCsv.h"

const char kDriveHistoryCsvHeader[] =
    "Date,Disk,Model,Serial,Host bytes written,Host bytes read,Percentage used,"
    "Power-on hours,Temperature,Source";

namespace
{
constexpr size_t kColumns = 10;
constexpr size_t kMaxProblems = 20;
// Longer than any model or serial a drive reports.
constexpr size_t kMaxNameLength = 128;

// An empty cell is a figure the drive did not report.
template <typename T> bool ParseOptional(std::string_view text, uint64_t max, std::optional<T>& value)
{
    value.reset();
    if (text.empty())
        return true;
    uint64_t v = 0;
    if (!ParseDecimal(text, max, v))
        return false;
    value = static_cast<T>(v);
    return true;
}

bool ParseTemperature(std::string_view text, std::optional<int32_t>& value)
{
    const bool negative = !text.empty() && text.front() == '-';
    std::optional<uint32_t> magnitude;
    if (!ParseOptional(negative ? text.substr(1) : text, 1000, magnitude) || (negative && !magnitude))
        return false;
    value.reset();
    if (magnitude)
        value = negative ? -static_cast<int32_t>(*magnitude) : static_cast<int32_t>(*magnitude);
    return true;
}

bool ParseName(const std::string& field, std::wstring& name)
{
    // A name that began like a formula was written with the spreadsheet's text mark.
    name = WidenUtf8(StripSpreadsheetTextMark(field));
    return name.size() <= kMaxNameLength;
}

bool ParseRow(const std::vector<std::string>& fields, CQDriveDay& row, std::wstring& reason)
{
    if (fields.size() != kColumns)
    {
        reason = L"expected 10 columns, found " + std::to_wstring(fields.size());
        return false;
    }
    uint64_t disk = 0;
    if (!ParseDayNumber(fields[0], row.day))
        reason = L"bad date";
    else if (!ParseDecimal(fields[1], UINT32_MAX, disk))
        reason = L"bad disk number";
    else if (!ParseName(fields[2], row.model) || !ParseName(fields[3], row.serial))
        reason = L"a name too long";
    else if (!ParseOptional(fields[4], UINT64_MAX, row.written))
        reason = L"bad number in column 5";
    else if (!ParseOptional(fields[5], UINT64_MAX, row.read))
        reason = L"bad number in column 6";
    else if (!ParseOptional(fields[6], UINT32_MAX, row.percentUsed))
        reason = L"bad number in column 7";
    else if (!ParseOptional(fields[7], UINT64_MAX, row.powerOnHours))
        reason = L"bad number in column 8";
    else if (!ParseTemperature(fields[8], row.temperature))
        reason = L"bad temperature";
    else if (!ParseHealthSourceName(WidenUtf8(fields[9]), row.source))
        reason = L"unknown source";
    else
    {
        row.disk = static_cast<uint32_t>(disk);
        return true;
    }
    return false;
}

void AddProblem(CQDriveHistoryFileContents& contents, size_t lineNumber, const std::wstring& reason,
                bool kept)
{
    ++contents.problemCount;
    if (contents.problems.size() < kMaxProblems)
        contents.problems.push_back(L"line " + std::to_wstring(lineNumber) + L": " + reason +
                                    (kept ? L", kept in the file" : L", left out of the file"));
}

void KeepLine(CQDriveHistoryFileContents& contents, std::string_view line)
{
    contents.keptLines.append(line.data(), line.size());
    contents.keptLines += "\r\n";
}

template <typename T> void AppendOptional(std::string& line, const std::optional<T>& value)
{
    line += ',';
    if (value)
        line += std::to_string(*value);
}

// A drive's name as one field; a line break inside it would split the record.
void AppendName(std::string& line, const std::wstring& name)
{
    std::wstring clean(name);
    for (wchar_t& c : clean)
    {
        if (c < 0x20 || c == 0x7F)
            c = L'?';
    }
    std::wstring field;
    AppendCsvField(field, clean);
    line += ',';
    AppendUtf8(line, field);
}

std::string FormatRow(const CQDriveDay& row)
{
    std::string line;
    AppendUtf8(line, FormatDayNumber(row.day));
    line += ',';
    line += std::to_string(row.disk);
    AppendName(line, row.model);
    AppendName(line, row.serial);
    AppendOptional(line, row.written);
    AppendOptional(line, row.read);
    AppendOptional(line, row.percentUsed);
    AppendOptional(line, row.powerOnHours);
    AppendOptional(line, row.temperature);
    line += ',';
    AppendUtf8(line, HealthSourceName(row.source));
    return line;
}
} // namespace

CQDriveHistoryFileContents ParseDriveHistoryCsv(const std::string& bytes)
{
    CQDriveHistoryFileContents contents;
    std::set<std::pair<int32_t, std::wstring>> seen;
    std::vector<std::string> fields;
    ForEachCsvFileLine(bytes, kDriveHistoryCsvHeader,
                       [&](std::string_view line, size_t lineNumber, bool header)
                       {
                           std::wstring reason;
                           if (!SplitCsvTextLine(line, fields, reason))
                           {
                               AddProblem(contents, lineNumber, reason, false);
                               return;
                           }
                           CQDriveDay row;
                           if (!ParseRow(fields, row, reason))
                           {
                               // A heading of some other shape goes; ours replaces it.
                               AddProblem(contents, lineNumber, header ? L"not the expected header" : reason,
                                          !header);
                               if (!header)
                                   KeepLine(contents, line);
                               return;
                           }
                           if (!seen.insert({row.day, DriveIdentity(row)}).second)
                           {
                               AddProblem(contents, lineNumber,
                                          L"a second row for the drive on " + FormatDayNumber(row.day), true);
                               KeepLine(contents, line);
                               return;
                           }
                           contents.rows.push_back(std::move(row));
                       });
    std::stable_sort(contents.rows.begin(), contents.rows.end(),
                     [](const CQDriveDay& a, const CQDriveDay& b)
                     { return a.day != b.day ? a.day < b.day : a.disk < b.disk; });
    return contents;
}

std::string FormatDriveHistoryCsv(const std::vector<CQDriveDay>& rows, const std::string& keptLines)
{
    return FormatCsvFile(kDriveHistoryCsvHeader, rows, FormatRow, keptLines);
}
