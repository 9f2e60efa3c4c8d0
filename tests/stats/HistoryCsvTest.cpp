// "Write History.csv" as text: dates, the round trip of every row, and damaged or foreign lines, which
// are kept or left out as they deserve and never cost a readable row.
#include <gtest/gtest.h>

#include <random>

#include "stats/history/DayNumber.h"
#include "stats/history/HistoryCsv.h"

namespace
{
const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader = std::string(kHistoryCsvHeader) + "\r\n";

CQHistoryDay Day(int year, int month, int dayOfMonth, uint64_t written, std::vector<CQTopWriter> writers = {})
{
    CQHistoryDay day;
    day.day = DayNumberFromDate(year, month, dayOfMonth);
    day.written = written;
    day.writtenAligned = written + 4096;
    day.read = written / 2;
    day.operations = 3;
    day.monitoringSeconds = 3600;
    day.topWriters = std::move(writers);
    return day;
}

bool SameDays(const std::vector<CQHistoryDay>& a, const std::vector<CQHistoryDay>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (a[i].day != b[i].day || a[i].written != b[i].written ||
            a[i].writtenAligned != b[i].writtenAligned || a[i].read != b[i].read ||
            a[i].operations != b[i].operations || a[i].monitoringSeconds != b[i].monitoringSeconds ||
            a[i].topWriters.size() != b[i].topWriters.size())
            return false;
        for (size_t w = 0; w < a[i].topWriters.size(); ++w)
        {
            if (a[i].topWriters[w].name != b[i].topWriters[w].name ||
                a[i].topWriters[w].bytes != b[i].topWriters[w].bytes)
                return false;
        }
    }
    return true;
}

std::string Problems(const CQHistoryFileContents& contents)
{
    std::string text;
    for (const std::wstring& line : contents.problems)
        text += std::string(line.begin(), line.end()) + "\n";
    return text;
}

TEST(DayNumber, ConvertsCalendarDatesBothWaysAndParsesOnlyRealOnes)
{
    EXPECT_EQ(0, DayNumberFromDate(1970, 1, 1));
    EXPECT_EQ(L"2000-02-29", FormatDayNumber(DayNumberFromDate(2000, 2, 29)));
    EXPECT_EQ(L"12-31", FormatShortDay(DayNumberFromDate(2024, 12, 31)));
    for (int32_t day = 0; day < DayNumberFromDate(2200, 1, 1); day += 37)
    {
        int y = 0, m = 0, d = 0;
        DateFromDayNumber(day, y, m, d);
        ASSERT_EQ(day, DayNumberFromDate(y, m, d)) << y << "-" << m << "-" << d;
    }

    const struct
    {
        const char* text;
        bool valid;
    } cases[] = {
        {"2024-02-29", true},  {"2023-02-29", false}, {"1900-02-28", false},
        {"2100-02-29", false}, {"2025-04-31", false}, {"2025-13-01", false},
        {"2025-00-10", false}, {"2025-1-10", false},  {"2025-01-10 ", false},
        {"2025/01/10", false}, {"+025-01-10", false}, {"9999-12-31", true},
        {"", false},
    };
    for (const auto& c : cases)
    {
        int32_t day = -7;
        EXPECT_EQ(c.valid, ParseDayNumber(c.text, day)) << c.text;
        const std::wstring back = FormatDayNumber(day);
        if (c.valid)
        {
            EXPECT_EQ(std::string(c.text), std::string(back.begin(), back.end()));
        }
    }
}

TEST(HistoryCsv, WritesAHeaderAndRowsThatReadBackTheSame)
{
    const std::vector<CQHistoryDay> days = {
        Day(2024, 12, 31, 0),
        Day(2025, 1, 1, UINT64_MAX - 4096, {{L"svchost.exe", 900}, {L"a,b \"c\".exe", 50}}),
        Day(2025, 1, 2, 12345, {{L"ünïcødé-进程.exe", 12345}, {L"semi;colon=1.exe", 7}, {L" lead.exe", 1}}),
        // Names a spreadsheet would take for a formula are marked as text, and read back without the mark.
        Day(2025, 1, 3, 9, {{L"=cmd|' /C calc'!A0", 5}, {L"-x.exe", 4}}),
        Day(2025, 1, 4, 9, {{L"'=quoted.exe", 5}}),
    };
    const std::string text = FormatHistoryCsv(days, "");
    EXPECT_EQ(kBom + kHeader, text.substr(0, kBom.size() + kHeader.size()));
    EXPECT_NE(std::string::npos, text.find("\r\n2024-12-31,0,4096,0,3,3600,\r\n"));
    EXPECT_NE(std::string::npos, text.find(",\"svchost.exe=900;a,b \"\"c\"\".exe=50\"\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(",'=cmd|' /C calc'!A0=5;-x.exe=4\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(",''=quoted.exe=5\r\n")) << text;

    const CQHistoryFileContents read = ParseHistoryCsv(text);
    EXPECT_TRUE(SameDays(days, read.days));
    EXPECT_EQ(0u, read.problemCount) << Problems(read);
    EXPECT_EQ("", read.keptLines);
    EXPECT_EQ(text, FormatHistoryCsv(read.days, read.keptLines));
}

TEST(HistoryCsv, DamagedLinesAreKeptOrLeftOutAndNeverCostAReadableRow)
{
    const std::string good1 = FormatHistoryRow(Day(2025, 1, 1, 100));
    const std::string good2 = FormatHistoryRow(Day(2025, 1, 3, 300, {{L"x.exe", 300}}));
    struct Case
    {
        const char* name;
        std::string line;
        bool kept;
    };
    const Case cases[] = {
        {"too few columns", "2025-01-02,1,2,3", true},
        {"too many columns", "2025-01-02,1,2,3,4,5,a=1,extra", true},
        {"a foreign date", "02/01/2025,1,2,3,4,5,", true},
        {"no real date", "2025-02-30,1,2,3,4,5,", true},
        {"a negative number", "2025-01-02,-1,2,3,4,5,", true},
        {"a number too large", "2025-01-02,18446744073709551616,2,3,4,5,", true},
        {"a decimal number", "2025-01-02,1.5,2,3,4,5,", true},
        {"writers without bytes", "2025-01-02,1,2,3,4,5,a.exe", true},
        {"six writers", "2025-01-02,1,2,3,4,5,a=1;b=1;c=1;d=1;e=1;f=1", true},
        {"a second row for a day", good1, true},
        {"not UTF-8", "2025-01-02,1,2,3,4,5,\xC3\x28=1", false},
        {"a control character", std::string("2025-01-02,1,2,3,4,5,\x01", 22), false},
        {"a NUL byte", std::string("2025-01-02,1,2\0,3,4,5,", 22), false},
        {"an open quote", "2025-01-02,1,2,3,4,5,\"a=1", false},
        {"text after a quote", "2025-01-02,1,2,3,4,5,\"a=1\"x", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string text = kBom + kHeader + good1 + "\r\n" + c.line + "\r\n" + good2 + "\r\n";
        const CQHistoryFileContents read = ParseHistoryCsv(text);
        ASSERT_EQ(2u, read.days.size()) << Problems(read);
        EXPECT_EQ(DayNumberFromDate(2025, 1, 1), read.days[0].day);
        EXPECT_EQ(300u, read.days[1].written);
        ASSERT_EQ(1u, read.problemCount);
        const std::string problem = Problems(read);
        EXPECT_EQ(0u, problem.find("line 3: ")) << problem;
        EXPECT_NE(std::string::npos, problem.find(c.kept ? "kept in the file" : "left out of the file"))
            << problem;
        EXPECT_EQ(c.kept ? c.line + "\r\n" : std::string(), read.keptLines);
        // The next write has the rows, then what was kept, exactly as it was.
        EXPECT_EQ(kBom + kHeader + good1 + "\r\n" + good2 + "\r\n" + read.keptLines,
                  FormatHistoryCsv(read.days, read.keptLines));
    }
}

TEST(HistoryCsv, ReadsRowsInAnyOrderWithOrWithoutHeaderAndLineEnds)
{
    const std::string a = FormatHistoryRow(Day(2025, 3, 1, 1));
    const std::string b = FormatHistoryRow(Day(2025, 3, 2, 2));
    const std::string c = FormatHistoryRow(Day(2025, 3, 3, 3));
    const struct
    {
        const char* name;
        std::string text;
        size_t problems;
    } cases[] = {
        {"newest first, LF only, no mark", kHeader + c + "\n" + b + "\n" + a, 0},
        {"no header", a + "\r\n\r\n  \r\n" + c + "\r\n" + b + "\r\n", 0},
        {"CR only", kHeader + a + "\r" + b + "\r" + c + "\r", 0},
        {"another header", "Datum;Bytes\r\n" + a + "\r\n" + b + "\r\n" + c, 1},
    };
    for (const auto& cs : cases)
    {
        SCOPED_TRACE(cs.name);
        const CQHistoryFileContents read = ParseHistoryCsv(cs.text);
        ASSERT_EQ(3u, read.days.size()) << Problems(read);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(i + 1, read.days[i].written);
        EXPECT_EQ(cs.problems, read.problemCount) << Problems(read);
        EXPECT_EQ("", read.keptLines);
    }
}

TEST(HistoryCsv, HostileBytesNeverCrashAndReportOnlyTheFirstProblems)
{
    std::string junk;
    for (int i = 0; i < 1000; ++i)
        junk += "x,\"\r\n";
    CQHistoryFileContents read = ParseHistoryCsv(junk);
    EXPECT_EQ(1000u, read.problemCount); // the first line is taken for a header
    EXPECT_EQ(kMaxReportedProblems, read.problems.size());

    // Random bytes around readable rows: the rows always come through.
    std::mt19937 random(12345);
    const std::string row = FormatHistoryRow(Day(2025, 5, 5, 55, {{L"a.exe", 55}}));
    for (int round = 0; round < 200; ++round)
    {
        std::string noise(static_cast<size_t>(random() % 300), '\0');
        for (char& ch : noise)
            ch = static_cast<char>(random() % 256);
        for (char& ch : noise)
            if (ch == '\n' && random() % 2)
                ch = '"';
        read = ParseHistoryCsv(noise + "\n" + row + "\n" + noise);
        bool found = false;
        for (const CQHistoryDay& day : read.days)
            found = found || (day.day == DayNumberFromDate(2025, 5, 5) && day.written == 55);
        ASSERT_TRUE(found) << "round " << round;
    }
}
} // namespace
