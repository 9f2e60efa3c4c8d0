// The history chart's arithmetic and texts: the value axis, the bars' columns, the thinning of the date
// labels, and the range's figures with the main window's formulas.
#include <gtest/gtest.h>

#include "stats/CapacityList.h"
#include "stats/history/ChartScale.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryBars.h"
#include "stats/history/HistoryTexts.h"

namespace
{
const uint64_t KiB = 1ull << 10;
const uint64_t MiB = 1ull << 20;
const uint64_t GiB = 1ull << 30;

TEST(ChartScale, CountsInTheSizeTextsUnitWithOneTwoOrFiveSteps)
{
    const struct
    {
        uint64_t largest;
        const wchar_t* top;
        const wchar_t* step;
        int intervals;
    } cases[] = {
        {0, L"4 Kb", L"1 Kb", 4},
        {1, L"1 b", L"1 b", 1},
        {1000, L"1000 b", L"200 b", 5},
        {1024, L"1500 b", L"500 b", 3},
        {1025, L"1.5 Kb", L"0.5 Kb", 3},
        {MiB + 700 * KiB, L"2 Mb", L"0.5 Mb", 4},
        {12 * GiB + 300 * MiB, L"15 Gb", L"5 Gb", 3},
        {150 * GiB, L"150 Gb", L"50 Gb", 3},
        {20 * GiB, L"20 Gb", L"5 Gb", 4},
        {3 * MiB, L"3 Mb", L"1 Mb", 3},
        {700 * KiB, L"800 Kb", L"200 Kb", 4},
        {UINT64_MAX, L"20000 Pb", L"5000 Pb", 4},
    };
    for (const auto& c : cases)
    {
        const CQChartScale scale = ChooseChartScale(c.largest);
        EXPECT_EQ(std::wstring(c.top), FormatAxisValue(scale.top, scale)) << c.largest;
        EXPECT_EQ(std::wstring(c.step), FormatAxisValue(scale.step, scale)) << c.largest;
        EXPECT_EQ(c.intervals, scale.intervals) << c.largest;
        EXPECT_GE(scale.top, static_cast<double>(c.largest)) << c.largest;
        EXPECT_LE(scale.intervals, 5);
    }
    const CQChartScale scale = ChooseChartScale(20 * GiB);
    EXPECT_EQ(100, BarHeight(20 * GiB, scale, 100));
    EXPECT_EQ(50, BarHeight(10 * GiB, scale, 100));
    EXPECT_EQ(100, BarHeight(UINT64_MAX, scale, 100)) << "held to the plot";
    EXPECT_EQ(0, BarHeight(0, scale, 100));
}

TEST(ChartScale, ColumnsTileThePlotAndEveryPixelFindsItsBar)
{
    const struct
    {
        int width;
        int bars;
    } cases[] = {{600, 30}, {601, 90}, {300, 365}, {100, 365}, {1, 1}, {37, 3}};
    for (const auto& c : cases)
    {
        const CQBarLayout layout = LayOutBars(10, c.width, c.bars);
        EXPECT_EQ(10, ColumnLeft(layout, 0));
        EXPECT_EQ(10 + c.width, ColumnRight(layout, c.bars - 1));
        EXPECT_GE(layout.barWidth, 1);
        EXPECT_EQ(-1, BarAt(layout, 9));
        EXPECT_EQ(-1, BarAt(layout, 10 + c.width));
        for (int x = 10; x < 10 + c.width; ++x)
        {
            const int bar = BarAt(layout, x);
            ASSERT_GE(bar, 0) << "width " << c.width << " x " << x;
            ASSERT_TRUE(x >= ColumnLeft(layout, bar) && x < ColumnRight(layout, bar))
                << "width " << c.width << " x " << x << " bar " << bar;
        }
    }
}

TEST(ChartScale, DateLabelsAreThinnedSoTheyNeverOverlapOrLeaveThePlot)
{
    const int32_t monday = DayNumberFromDate(2025, 3, 10);
    const struct
    {
        int plotWidth;
        int bars;
        int labelWidth;
        int stride; // days between labels
    } cases[] = {
        {1200, 30, 25, 1},  {600, 30, 25, 2},    {600, 90, 25, 7},   {600, 365, 25, 28},
        {300, 365, 25, 56}, {120, 365, 25, 182}, {40, 365, 30, 364}, {20, 30, 30, 0},
    };
    const int gap = 8;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.plotWidth << " px, " << c.bars << " bars");
        const CQBarLayout layout = LayOutBars(50, c.plotWidth, c.bars);
        const int32_t first = monday - c.bars + 1;
        const std::vector<CQDateLabel> labels = PlaceDateLabels(first, 1, layout, c.labelWidth, gap);
        if (c.stride == 0)
        {
            EXPECT_TRUE(labels.empty()) << "a label wider than the plot";
            continue;
        }
        ASSERT_FALSE(labels.empty());
        for (size_t i = 0; i < labels.size(); ++i)
        {
            EXPECT_GE(labels[i].left, 50);
            EXPECT_LE(labels[i].left + c.labelWidth, 50 + c.plotWidth);
            if (i > 0)
            {
                EXPECT_GE(labels[i].left, labels[i - 1].left + c.labelWidth + gap) << "label " << i;
                EXPECT_EQ(c.stride, labels[i].bar - labels[i - 1].bar) << "label " << i;
            }
            if (c.stride % 7 == 0)
            {
                EXPECT_EQ(0, ((first + labels[i].bar) - monday) % 7) << "weekly labels on Mondays";
            }
        }
    }
}

TEST(ChartScale, OneSpikeDoesNotFlattenTheOtherBars)
{
    const struct
    {
        const char* name;
        std::vector<uint64_t> values; // GiB
        uint64_t reach;               // GiB
    } cases[] = {
        {"nothing", {}, 0},
        {"only zeros", {0, 0, 0}, 0},
        {"too few bars to tell", {1, 2, 107}, 107},
        {"a month with one spike", {10, 12, 0, 11, 13, 9, 107, 12}, 13},
        // The upper quartile of {9, 10, 11, 12, 12, 13, 39} is its sixth value, 13: up to 39 is no spike.
        {"a high bar that is no spike", {10, 12, 11, 13, 9, 39, 12}, 39},
        {"just above three times", {10, 12, 11, 13, 9, 40, 12}, 13},
        {"two spikes", {10, 12, 11, 13, 9, 50, 60, 12, 11, 10}, 13},
        {"even bars", {7, 7, 7, 7, 7}, 7},
        {"four bars, the quartile is the third", {5, 100, 100, 100}, 100},
    };
    for (const auto& c : cases)
    {
        std::vector<uint64_t> bytes;
        for (uint64_t value : c.values)
            bytes.push_back(value * GiB);
        EXPECT_EQ(c.reach * GiB, ChooseScaleReach(bytes)) << c.name;
    }
    // Huge values do not overflow the limit.
    EXPECT_EQ(UINT64_MAX, ChooseScaleReach({UINT64_MAX, UINT64_MAX, UINT64_MAX, UINT64_MAX}));
}

TEST(HistoryBars, LongRangesGoInWeeksFromMondayToSunday)
{
    EXPECT_EQ(1, DaysPerBar(30));
    EXPECT_EQ(1, DaysPerBar(90));
    EXPECT_EQ(7, DaysPerBar(365));

    // Wednesday 2025-01-01 to Tuesday 2025-01-14, which is today.
    const int32_t first = DayNumberFromDate(2025, 1, 1);
    const int32_t last = DayNumberFromDate(2025, 1, 14);
    std::vector<CQHistoryDay> days(4);
    const int dates[] = {2, 5, 13, 14}; // of January
    for (int i = 0; i < 4; ++i)
    {
        days[i].day = DayNumberFromDate(2025, 1, dates[i]);
        days[i].written = (i + 1) * GiB;
        days[i].writtenAligned = (i + 1) * GiB + 4096;
        days[i].monitoringSeconds = 3600;
        days[i].topWriters = {{i == 2 ? L"c.exe" : L"b.exe", 5 * MiB}, {L"a.exe", (i + 1) * MiB}};
    }
    const std::vector<CQChartBar> weeks = GroupIntoBars(days, first, last, last, 7);
    ASSERT_EQ(3u, weeks.size());
    // Wednesday to Sunday, a whole week, then Monday and Tuesday.
    EXPECT_EQ(L"2025-01-01", FormatDayNumber(weeks[0].sum.day));
    EXPECT_EQ(5, weeks[0].dayCount);
    EXPECT_EQ(2, weeks[0].monitoredDays);
    EXPECT_EQ(3 * GiB, weeks[0].sum.written);
    EXPECT_EQ(3 * GiB + 2 * 4096, weeks[0].sum.writtenAligned);
    EXPECT_EQ(2u * 3600, weeks[0].sum.monitoringSeconds);
    EXPECT_FALSE(weeks[0].includesToday);
    ASSERT_EQ(2u, weeks[0].sum.topWriters.size());
    EXPECT_EQ(L"b.exe", weeks[0].sum.topWriters[0].name); // 5 MiB on each of two days
    EXPECT_EQ(10 * MiB, weeks[0].sum.topWriters[0].bytes);
    EXPECT_EQ(L"2025-01-06", FormatDayNumber(weeks[1].sum.day));
    EXPECT_EQ(7, weeks[1].dayCount);
    EXPECT_EQ(0, weeks[1].monitoredDays);
    EXPECT_EQ(L"2025-01-13", FormatDayNumber(weeks[2].sum.day));
    EXPECT_EQ(2, weeks[2].dayCount);
    EXPECT_TRUE(weeks[2].includesToday);
    EXPECT_EQ(7 * GiB, weeks[2].sum.written);

    const std::vector<CQChartBar> daily = GroupIntoBars(days, first, last, last, 1);
    ASSERT_EQ(14u, daily.size());
    EXPECT_EQ(1, daily[1].monitoredDays);
    EXPECT_EQ(0, daily[2].monitoredDays);
    EXPECT_EQ(2 * GiB, daily[4].sum.written);
    EXPECT_TRUE(daily[13].includesToday);
    EXPECT_FALSE(daily[12].includesToday);

    CQChartBar growingWeek = weeks[0];
    growingWeek.includesToday = true;
    EXPECT_EQ(L"2025-01-01 to 2025-01-05 (so far): written 3.00 Gb, aligned to (4k) 3.00 Gb, 2 of 5 days "
              L"monitored, top writer b.exe 10.00 Mb",
              FormatBarLine(growingWeek));
    EXPECT_EQ(L"2025-01-06 to 2025-01-12: not monitored", FormatBarLine(weeks[1]));
    // 1 GiB is no more than 1 GiB: the size text says it in Mb.
    EXPECT_EQ(L"2025-01-02: written 1024.00 Mb, aligned to (4k) 1.00 Gb, monitored 0 01:00:00, top writer "
              L"b.exe 5.00 Mb",
              FormatBarLine(daily[1]));
    EXPECT_EQ(L"2025-01-03: not monitored", FormatBarLine(daily[2]));
    const std::wstring tip = FormatBarToolTip(weeks[2]);
    EXPECT_EQ(0u,
              tip.find(L"2025-01-13 to 2025-01-14 (this week, still growing)\r\nMonitored days: 2 of 2\r\n"
                       L"Aligned to (4k): 7.00 Gb\r\nWritten: 7.00 Gb\r\n"))
        << testing::PrintToString(tip);
    EXPECT_EQ(FormatDayToolTip(daily[1].sum, false), FormatBarToolTip(daily[1]));
}

TEST(ChartScale, WeeksAreLabelledOnMondaysInStepsOfWholeWeeks)
{
    // A year in weeks: 53 bars on 600 pixels, each label 25 wide with 8 between.
    const int32_t firstMonday = DayNumberFromDate(2024, 7, 1);
    const CQBarLayout layout = LayOutBars(50, 600, 53);
    const std::vector<CQDateLabel> labels = PlaceDateLabels(firstMonday, 7, layout, 25, 8);
    ASSERT_GE(labels.size(), 2u);
    // Labels keep one rhythm over all ranges: 2024-07-08 is a multiple of four weeks after 1970-01-05.
    EXPECT_EQ(1, labels[0].bar);
    for (size_t i = 1; i < labels.size(); ++i)
    {
        // Four weeks: two are 22.6 pixels, too close for labels 33 apart.
        EXPECT_EQ(4, labels[i].bar - labels[i - 1].bar) << "label " << i;
        EXPECT_GE(labels[i].left, labels[i - 1].left + 33) << "label " << i;
    }
}

TEST(HistoryTexts, TheAverageIsOverTheCalendarDaysThatHadMonitoringBeforeToday)
{
    struct Row
    {
        int dayOfJune;
        uint64_t written;
        uint64_t seconds;
    };
    const struct
    {
        const char* name;
        std::vector<Row> rows;
        int firstDayOfJune;
        uint64_t average;
        const wchar_t* sentence;
        const wchar_t* life; // for "240Gb"
    } cases[] = {
        // Eight hours a day at 10 GiB a day: the main window's Writes/day would say 30 GiB.
        {"eight hours a day",
         {{27, 10 * GiB, 8 * 3600}, {28, 10 * GiB, 8 * 3600}, {29, 10 * GiB, 8 * 3600}},
         1,
         10 * GiB,
         L"Average per monitored day: 10.00 Gb (3 of the 29 days before today were monitored)",
         L"39 years"},
        {"today is still growing and does not count",
         {{28, 20 * GiB, 3600}, {30, 1 * GiB, 60}},
         21,
         20 * GiB,
         L"Average per monitored day: 20.00 Gb (1 of the 9 days before today were monitored)",
         L"20 years"},
        {"days before the range do not count",
         {{10, 90 * GiB, 86400}, {25, 3 * GiB, 7200}, {26, 4 * GiB, 7200}},
         21,
         3 * GiB + GiB / 2,
         L"Average per monitored day: 3.50 Gb (2 of the 9 days before today were monitored)",
         L"113 years"},
        {"only today",
         {{30, 5 * GiB, 3600}},
         1,
         0,
         L"Average per monitored day: none yet (0 of the 29 days before today were monitored)",
         L"Calculating"},
        {"a range that starts today",
         {{29, 5 * GiB, 3600}},
         30,
         0,
         L"Average per monitored day: none yet (0 of the 0 days before today were monitored)",
         L"Calculating"},
    };
    const int32_t today = DayNumberFromDate(2025, 6, 30);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<CQHistoryDay> days;
        for (const Row& row : c.rows)
        {
            CQHistoryDay day;
            day.day = DayNumberFromDate(2025, 6, row.dayOfJune);
            day.written = row.written;
            day.writtenAligned = row.written + 4096;
            day.monitoringSeconds = row.seconds;
            days.push_back(day);
        }
        const CQRangeFigures figures = ComputeRangeFigures(days, DayNumberFromDate(2025, 6, c.firstDayOfJune),
                                                           today, LifeBudgetBytes(7));
        EXPECT_EQ(c.average, figures.averagePerDay);
        EXPECT_EQ(std::wstring(c.sentence), FormatAverageSentence(figures));
        EXPECT_EQ(std::wstring(L"Approx ssd life at that rate, for 240Gb: ") + c.life,
                  FormatLifeSentence(figures, L"240Gb"));
    }
}

TEST(HistoryTexts, TheDayTipNamesTheFiguresAndWritersAndMarksToday)
{
    CQHistoryDay day;
    day.day = DayNumberFromDate(2025, 1, 31);
    day.written = 3 * MiB;
    day.writtenAligned = 4 * MiB;
    day.read = 0;
    day.operations = 42;
    day.monitoringSeconds = 3661;
    day.topWriters = {{L"svchost.exe", 2 * MiB}, {L"a.exe", MiB + MiB / 2}};
    EXPECT_EQ(
        L"2025-01-31\r\nAligned to (4k): 4.00 Mb\r\nWritten: 3.00 Mb\r\nRead: 0.00 b\r\nOperations: 42\r\n"
        L"Monitoring time: 0 01:01:01\r\nTop writers:\r\n    svchost.exe: 2.00 Mb\r\n    a.exe: 1.50 Mb",
        FormatDayToolTip(day, false));
    day.topWriters.clear();
    const std::wstring today = FormatDayToolTip(day, true);
    EXPECT_EQ(0u, today.find(L"2025-01-31 (today, still growing)\r\n"));
    EXPECT_NE(std::wstring::npos, today.find(L"Top writers: none named"));
}
} // namespace
