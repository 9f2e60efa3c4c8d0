// The drive health figures apart from any disk: the bytes of "Drive History.csv" and reading them back from
// a damaged file, the host bytes per day for the chart and each bar's sum of them, the daily rate, the life
// left by wear and by rating, which method the window shows, the warnings and the stored start of the
// comparison.
#include <gtest/gtest.h>

#include "stats/health/DriveAlerts.h"
#include "stats/health/DriveBaselines.h"
#include "stats/health/DriveChartSeries.h"
#include "stats/health/DriveFigures.h"
#include "stats/health/DriveHealthTexts.h"
#include "stats/health/DriveHistory.h"
#include "stats/health/DriveHistoryCsv.h"
#include "stats/history/DayNumber.h"

namespace
{
const int32_t kDay = DayNumberFromDate(2025, 3, 10);
const uint64_t kGiB = 1ull << 30;

CQDriveDay Row(int32_t day, uint32_t disk, const wchar_t* serial, std::optional<uint64_t> written)
{
    CQDriveDay row;
    row.day = day;
    row.disk = disk;
    row.model = L"Model";
    row.serial = serial;
    row.written = written;
    row.source = written ? CQHealthSource::nvme : CQHealthSource::none;
    return row;
}

CQDiskReading Reading(uint32_t disk, const wchar_t* serial)
{
    CQDiskReading reading;
    reading.disk = disk;
    reading.letters = L"C:";
    reading.model = L"Samsung SSD 970 EVO Plus 1TB";
    reading.serial = serial;
    reading.state = CQDiskState::read;
    return reading;
}

CQDriveRate Rate(uint64_t bytesPerDay)
{
    CQDriveRate rate;
    rate.from = CQDriveRate::From::drive;
    rate.bytesPerDay = bytesPerDay;
    rate.days = 10;
    return rate;
}
} // namespace

TEST(DriveHistoryCsvTest, TheFileIsTheHeaderAndOneLinePerDriveAndDay)
{
    CQDriveDay nvme = Row(kDay, 0, L"S4EWNX0R123456", 20000000000000ull);
    nvme.model = L"Samsung SSD 970 EVO Plus 1TB";
    nvme.read = 512000;
    nvme.percentUsed = 7;
    nvme.powerOnHours = 4321;
    nvme.temperature = 38;
    CQDriveDay sata = Row(kDay, 1, L"", std::nullopt);
    sata.model = L"Vendor, \"Q\" 2TB";
    sata.temperature = -3;
    const std::string expected =
        "\xEF\xBB\xBF"
        "Date,Disk,Model,Serial,Host bytes written,Host bytes read,Percentage used,"
        "Power-on hours,Temperature,Source\r\n"
        "2025-03-10,0,Samsung SSD 970 EVO Plus 1TB,S4EWNX0R123456,20000000000000,512000,7,"
        "4321,38,nvme\r\n"
        "2025-03-10,1,\"Vendor, \"\"Q\"\" 2TB\",,,,,,-3,\r\n"
        "kept,line\r\n";
    EXPECT_EQ(expected, FormatDriveHistoryCsv({nvme, sata}, "kept,line\r\n"));

    const CQDriveHistoryFileContents back = ParseDriveHistoryCsv(expected);
    EXPECT_EQ(1u, back.problemCount) << "the kept line is no row";
    ASSERT_EQ(2u, back.rows.size());
    EXPECT_EQ(L"Vendor, \"Q\" 2TB", back.rows[1].model);
    EXPECT_EQ(-3, back.rows[1].temperature.value_or(0));
    EXPECT_FALSE(back.rows[1].written.has_value());
    EXPECT_EQ(4321u, back.rows[0].powerOnHours.value_or(0));
    EXPECT_EQ(CQHealthSource::nvme, back.rows[0].source);
    EXPECT_EQ("kept,line\r\n", back.keptLines);
}

TEST(DriveHistoryCsvTest, DamagedLinesAreKeptAsTextOrLeftOutAndNeverCostARow)
{
    const std::string file = "2025-03-09,0,M,S1,100,,,,,nvme\n"
                             "2025-03-09,0,M,S1,200,,,,,nvme\n"     // a second row for the drive and day
                             "2025-03-10,0,M,S1,100,,,,,devstats\n" // columns fine, another source name
                             "2025-03-11,0,M,S1,-5,,,,,nvme\n"      // a negative byte count
                             "2025-02-30,0,M,S1,5,,,,,nvme\n"       // no such date
                             "2025-03-12,0,M,S1,5,,,,nvme\n"        // nine columns
                             "2025-03-13,0,M,S1,5,,,,,flash\n"      // an unknown source
                             "2025-03-14,0,\"M,S1,5,,,,,nvme\n"     // broken quoting
                             "2025-03-15,0,M,S1,5,,,,,nvme\x01\n"   // a control character
                             "2025-03-08,0,M,S1,50,,,,,nvme\r";
    const CQDriveHistoryFileContents contents = ParseDriveHistoryCsv(file);
    ASSERT_EQ(3u, contents.rows.size());
    EXPECT_EQ(DayNumberFromDate(2025, 3, 8), contents.rows[0].day) << "oldest first";
    EXPECT_EQ(100u, contents.rows[1].written.value_or(0)) << "of two rows for a day the first counts";
    EXPECT_EQ(CQHealthSource::devstats, contents.rows[2].source);
    EXPECT_EQ(7u, contents.problemCount);
    EXPECT_EQ("2025-03-09,0,M,S1,200,,,,,nvme\r\n"
              "2025-03-11,0,M,S1,-5,,,,,nvme\r\n"
              "2025-02-30,0,M,S1,5,,,,,nvme\r\n"
              "2025-03-12,0,M,S1,5,,,,nvme\r\n"
              "2025-03-13,0,M,S1,5,,,,,flash\r\n",
              contents.keptLines);
    ASSERT_FALSE(contents.problems.empty());
    EXPECT_EQ(L"line 2: a second row for the drive on 2025-03-09, kept in the file",
              contents.problems.front());
}

TEST(DriveHistoryTest, HostBytesPerDaySpreadOverTheDaysBetweenReadings)
{
    CQDriveHistory history;
    history.SetRows({Row(kDay, 0, L"A", 1000), Row(kDay + 1, 0, L"A", 1300), Row(kDay + 1, 1, L"B", 5),
                     Row(kDay + 4, 0, L"A", 1400), Row(kDay + 5, 0, L"A", 10), Row(kDay + 6, 0, L"A", 30)});
    const std::vector<CQDriveHostDay> days = history.HostBytesPerDay(L"A");
    const std::vector<std::pair<int32_t, uint64_t>> expected = {
        {kDay + 1, 300}, {kDay + 2, 33}, {kDay + 3, 33}, {kDay + 4, 34}, {kDay + 6, 20}};
    ASSERT_EQ(expected.size(), days.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(expected[i].first, days[i].day) << i;
        EXPECT_EQ(expected[i].second, days[i].bytes) << i;
    }
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B"}), history.Identities());

    // A later reading of the day replaces the earlier one.
    CQDiskReading reading = Reading(0, L"A");
    reading.hostBytesWritten = 2000;
    ASSERT_TRUE(history.Record(kDay + 6, reading));
    EXPECT_EQ(2000u, history.RowsOf(L"A").back().written.value_or(0));
    EXPECT_EQ(5u, history.RowsOf(L"A").size());
    reading.state = CQDiskState::notAvailable;
    EXPECT_FALSE(history.Record(kDay + 7, reading));
}

TEST(DriveChartSeriesTest, EachBarSumsTheDrivesBytesOverItsDaysForDaysAndWeeks)
{
    // Wednesday 2025-01-01 to Tuesday 2025-01-14; the drive wrote on the 2nd, 3rd, 5th (nothing) and 13th,
    // and outside the range on 2024-12-31 and 2025-01-15.
    const int32_t first = DayNumberFromDate(2025, 1, 1);
    const int32_t last = DayNumberFromDate(2025, 1, 14);
    const std::vector<CQDriveHostDay> host = {
        {DayNumberFromDate(2024, 12, 31), 7 * kGiB}, {DayNumberFromDate(2025, 1, 13), 5 * kGiB},
        {DayNumberFromDate(2025, 1, 2), 1 * kGiB},   {DayNumberFromDate(2025, 1, 3), 2 * kGiB},
        {DayNumberFromDate(2025, 1, 5), 0},          {DayNumberFromDate(2025, 1, 15), 9 * kGiB}};
    using Figure = std::optional<uint64_t>;
    const Figure none;
    const struct
    {
        int daysPerBar;
        std::vector<Figure> expected;
    } cases[] = {
        // January 1 to 14, one bar each.
        {1,
         {none, 1 * kGiB, 2 * kGiB, none, uint64_t(0), none, none, none, none, none, none, none, 5 * kGiB,
          none}},
        // Wednesday 1 to Sunday 5, the week of the 6th to the 12th, Monday 13 and Tuesday 14.
        {7, {3 * kGiB, none, 5 * kGiB}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.daysPerBar);
        std::vector<CQChartBar> bars = GroupIntoBars({}, first, last, last, test.daysPerBar);
        // A figure left from another drive goes.
        bars.front().driveWritten = 123;
        AddDriveHostBytes(bars, host);
        ASSERT_EQ(test.expected.size(), bars.size());
        for (size_t i = 0; i < bars.size(); ++i)
            EXPECT_EQ(test.expected[i], bars[i].driveWritten) << "bar " << i;
    }

    // The drives to choose from, named after their latest rows.
    CQDriveHistory history;
    history.SetRows({Row(kDay, 0, L"S1", 1000), Row(kDay, 3, L"", 5), Row(kDay + 1, 2, L"S1", 1300)});
    const std::vector<CQDriveChoice> choices = DriveChoices(history);
    ASSERT_EQ(2u, choices.size());
    EXPECT_EQ(L"S1", choices[0].identity);
    EXPECT_EQ(L"Disk 2, Model, serial S1", choices[0].title);
    EXPECT_EQ(L"Model #3", choices[1].identity);
    EXPECT_EQ(L"Disk 3, Model", choices[1].title);
}

TEST(DriveFiguresTest, TheDrivesOwnRateNeedsAWeekOfReadingsAndTheMeasuredOneFiveMinutes)
{
    const std::vector<CQDriveDay> sixDays = {Row(kDay, 0, L"A", 100 * kGiB),
                                             Row(kDay + 6, 0, L"A", 160 * kGiB)};
    CQDriveRate rate = ChooseDailyRate(sixDays, 86400 * 50, 86400);
    EXPECT_EQ(CQDriveRate::From::measured, rate.from);
    EXPECT_EQ(50u * 86400, rate.bytesPerDay);

    const std::vector<CQDriveDay> week = {Row(kDay, 0, L"A", 100 * kGiB),
                                          Row(kDay + 3, 0, L"A", std::nullopt),
                                          Row(kDay + 7, 0, L"A", 170 * kGiB)};
    rate = ChooseDailyRate(week, 0, 0);
    EXPECT_EQ(CQDriveRate::From::drive, rate.from);
    EXPECT_EQ(10 * kGiB, rate.bytesPerDay);
    EXPECT_EQ(7, rate.days);

    // As the main window computes its writes per day: bytes per second truncated, then times a day.
    rate = ChooseDailyRate({}, 1000, 301);
    EXPECT_EQ(CQDriveRate::From::measured, rate.from);
    EXPECT_EQ(3u * 86400, rate.bytesPerDay);
    EXPECT_EQ(CQDriveRate::From::none, ChooseDailyRate({}, 1000, 300).from);

    // A counter that went back over the week gives no rate of its own.
    const std::vector<CQDriveDay> reset = {Row(kDay, 0, L"A", 100 * kGiB), Row(kDay + 9, 0, L"A", 10 * kGiB)};
    EXPECT_EQ(CQDriveRate::From::none, ChooseDailyRate(reset, 0, 0).from);
}

TEST(DriveFiguresTest, LifeLeftFromWearAndFromRating)
{
    using Kind = CQLifeLeft::Kind;
    struct Case
    {
        const char* what;
        std::optional<uint64_t> host;
        std::optional<uint32_t> percent;
        CQDriveRate rate;
        Kind kind;
        uint64_t days;
    };
    const Case wear[] = {
        // 100 GiB at 10 % implies 1000 GiB; 900 GiB left at 10 GiB a day.
        {"ten percent", 100 * kGiB, 10u, Rate(10 * kGiB), Kind::days, 90},
        {"no wear yet", 100 * kGiB, 0u, Rate(10 * kGiB), Kind::tooEarly, 0},
        {"one whole-percent step", 100 * kGiB, 1u, Rate(10 * kGiB), Kind::tooEarly, 0},
        {"no rate yet", 100 * kGiB, 10u, CQDriveRate(), Kind::tooEarly, 0},
        {"used up", 100 * kGiB, 100u, Rate(10 * kGiB), Kind::reached, 0},
        {"beyond", 100 * kGiB, 255u, Rate(10 * kGiB), Kind::reached, 0},
        {"no host counter", std::nullopt, 10u, Rate(10 * kGiB), Kind::unknown, 0},
        {"no wear figure", 100 * kGiB, std::nullopt, Rate(10 * kGiB), Kind::unknown, 0},
    };
    for (const Case& c : wear)
    {
        const CQLifeLeft life = LifeFromWear(c.host, c.percent, c.rate);
        EXPECT_EQ(c.kind, life.kind) << c.what;
        EXPECT_EQ(c.days, life.days) << c.what;
    }
    EXPECT_EQ(1000 * kGiB, ImpliedEndurance(100 * kGiB, 10u).value_or(0));
    EXPECT_EQ(10000 * kGiB, ImpliedEndurance(100 * kGiB, 1u).value_or(0)) << "shown from 1 % on";
    EXPECT_EQ(UINT64_MAX, ImpliedEndurance(UINT64_MAX / 2, 2u).value_or(0)) << "saturates";
    EXPECT_FALSE(ImpliedEndurance(100 * kGiB, 0u).has_value());

    // 600 TBW: 600 x 10^12 bytes; 100 x 10^12 written; 10^11 a day leave 5000 days.
    const uint64_t rated = 600 * kRatingUnitBytes;
    CQLifeLeft life = LifeFromRating(100 * kRatingUnitBytes, rated, Rate(100000000000ull));
    EXPECT_EQ(Kind::days, life.kind);
    EXPECT_EQ(5000u, life.days);
    EXPECT_EQ(Kind::reached, LifeFromRating(rated, rated, Rate(1)).kind);
    EXPECT_EQ(Kind::unknown, LifeFromRating(100u, 0, Rate(1)).kind);
    EXPECT_EQ(Kind::tooEarly, LifeFromRating(100u, rated, CQDriveRate()).kind);
}

TEST(DriveHealthTextsTest, TheWindowSaysWhichMethodGaveTheLife)
{
    CQDriveHealthView view;
    view.reading = Reading(0, L"S1");
    view.reading.hostBytesWritten = 100 * kGiB;
    view.reading.percentUsed = 10;
    view.rate = Rate(10 * kGiB);
    CQDriveHealthCells cells = DescribeDrive(view);
    EXPECT_EQ(L"3 months", cells.cells[kColumnLifeLeft]) << "90 days";
    EXPECT_EQ(L"wear, drive's rate", cells.cells[kColumnMethod]);
    EXPECT_EQ(L"10 %", cells.cells[kColumnWear]);

    // One whole-percent step: the rating gives the life while the wear cannot.
    view.reading.percentUsed = 1;
    view.ratedTbw = 600;
    view.rate.from = CQDriveRate::From::measured;
    cells = DescribeDrive(view);
    EXPECT_EQ(L"rated TBW, measured rate", cells.cells[kColumnMethod]);
    EXPECT_EQ(L"600 TBW", cells.cells[kColumnRated]);
    EXPECT_NE(std::wstring::npos, cells.summary.find(L"from its rating of 600 TBW")) << cells.summary;

    // Without a rating the window says "too early", and why.
    view.ratedTbw = 0;
    cells = DescribeDrive(view);
    EXPECT_EQ(L"too early", cells.cells[kColumnLifeLeft]);
    EXPECT_EQ(L"wear", cells.cells[kColumnMethod]);
    EXPECT_NE(std::wstring::npos, cells.summary.find(L"one whole-percent step")) << cells.summary;

    // A drive the reader could not reach shows why, and no figures.
    view.reading.state = CQDiskState::notAvailable;
    view.reading.detail = L"not available through this connection";
    cells = DescribeDrive(view);
    EXPECT_EQ(L"not available through this connection", cells.cells[kColumnNotes]);
    EXPECT_EQ(L"", cells.cells[kColumnHostWrites]);
    EXPECT_EQ(L"", cells.cells[kColumnLifeLeft]);
}

TEST(DriveAlertsTest, EachConditionIsSaidOncePerDrive)
{
    CQDriveAlerts alerts;
    CQDiskReading reading = Reading(0, L"S1");
    reading.criticalWarning = 0x04 | 0x08; // reliability degraded, read-only
    reading.availableSpare = 5;
    reading.spareThreshold = 10;
    std::vector<std::wstring> said = alerts.Check(reading, std::nullopt);
    ASSERT_EQ(3u, said.size());
    EXPECT_EQ(
        L"Disk 0 (C:), Samsung SSD 970 EVO Plus 1TB: the available spare is below its threshold (5 % left, "
        L"threshold 10 %)",
        said[0]);
    EXPECT_NE(std::wstring::npos, said[1].find(L"reliability is degraded"));
    EXPECT_NE(std::wstring::npos, said[2].find(L"read-only"));
    EXPECT_TRUE(alerts.Check(reading, std::nullopt).empty());
    // The same conditions on another drive are its own.
    CQDiskReading other = reading;
    other.disk = 1;
    other.serial = L"S2";
    EXPECT_EQ(3u, alerts.Check(other, std::nullopt).size());
}

TEST(DriveAlertsTest, WearPassingAThresholdIsSaidOnceAndOnlyTheHighest)
{
    struct Case
    {
        uint32_t wear;
        std::optional<uint32_t> before;
        const wchar_t* said; // empty: nothing
    };
    const Case cases[] = {
        {79, std::nullopt, L""},
        {80, std::nullopt, L"its wear has passed 80 % (80 % of its life used)"},
        {95, std::nullopt, L"its wear has passed 90 % (95 % of its life used)"},
        {95, 85u, L"its wear has passed 90 % (95 % of its life used)"},
        {95, 90u, L""},
        {120, 99u, L"its wear has passed 100 % (120 % of its life used)"},
    };
    for (const Case& c : cases)
    {
        CQDriveAlerts alerts;
        CQDiskReading reading = Reading(0, L"S1");
        reading.percentUsed = c.wear;
        const std::vector<std::wstring> said = alerts.Check(reading, c.before);
        if (*c.said == 0)
        {
            EXPECT_TRUE(said.empty()) << c.wear;
            continue;
        }
        ASSERT_EQ(1u, said.size()) << c.wear;
        EXPECT_EQ(std::wstring(L"Disk 0 (C:), Samsung SSD 970 EVO Plus 1TB: ") + c.said, said[0]);
        EXPECT_TRUE(alerts.Check(reading, c.before).empty()) << "once";
    }
}

TEST(DriveBaselinesTest, OnlyTheExactFormIsTaken)
{
    CQDriveBaseline baseline;
    ASSERT_TRUE(ParseDriveBaseline(L"2025-03-10 20000000000000 123456", baseline));
    EXPECT_EQ(kDay, baseline.day);
    EXPECT_EQ(20000000000000ull, baseline.written);
    EXPECT_EQ(123456u, baseline.measured);
    EXPECT_EQ(L"2025-03-10 20000000000000 123456", FormatDriveBaseline(baseline));
    baseline.written = 77;
    for (const wchar_t* bad :
         {L"", L"2025-03-10 1", L"2025-03-10 1 2 3", L"2025-13-10 1 2", L"2025-03-10 -1 2",
          L"2025-03-10 1 99999999999999999999", L"2025-03-10  1 2", L"2025-03-10 1 \u0662"})
    {
        EXPECT_FALSE(ParseDriveBaseline(bad, baseline)) << bad;
        EXPECT_EQ(77u, baseline.written) << bad;
    }
}
