// The history chart's arithmetic and texts: the value axis, the bars' columns, the thinning of the date
// labels, and the range's figures with the main window's formulas.
#include <gtest/gtest.h>

#include "stats/CapacityList.h"
#include "stats/history/ChartScale.h"
#include "stats/history/DayNumber.h"
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
        {0, L"4.00 Kb", L"1.00 Kb", 4},
        {1, L"1.00 b", L"1.00 b", 1},
        {1000, L"1000.00 b", L"200.00 b", 5},
        {1024, L"1500.00 b", L"500.00 b", 3},
        {1025, L"1.50 Kb", L"0.50 Kb", 3},
        {12 * GiB + 300 * MiB, L"15.00 Gb", L"5.00 Gb", 3},
        {20 * GiB, L"20.00 Gb", L"5.00 Gb", 4},
        {3 * MiB, L"3.00 Mb", L"1.00 Mb", 3},
        {700 * KiB, L"800.00 Kb", L"200.00 Kb", 4},
        {UINT64_MAX, L"20000.00 Pb", L"5000.00 Pb", 4},
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
        const std::vector<CQDateLabel> labels = PlaceDateLabels(first, layout, c.labelWidth, gap);
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

TEST(HistoryTexts, RangeFiguresUseTheMainWindowsRateAndLife)
{
    std::vector<CQHistoryDay> days(4);
    for (int i = 0; i < 4; ++i)
    {
        days[i].day = 100 + 2 * i; // days 100, 102, 104, 106
        days[i].written = 10 * GiB;
        days[i].writtenAligned = 11 * GiB;
        days[i].monitoringSeconds = 43200;
    }
    // Days 102 and 104: 20 GiB in one day's seconds, on "240Gb": 7200 days, "20 years".
    CQRangeFigures figures = ComputeRangeFigures(days, 101, 105, LifeBudgetBytes(7));
    EXPECT_EQ(2, figures.monitoredDays);
    EXPECT_EQ(20 * GiB, figures.written);
    EXPECT_EQ((20 * GiB / 86400) * 86400, figures.writtenPerDay);
    EXPECT_EQ(L"20.00 Gb", figures.perDayText);
    EXPECT_EQ(L"20 years", figures.lifeText);
    EXPECT_EQ(L"Average per monitored day: 20.00 Gb (2 of 5 days monitored)",
              FormatAverageSentence(figures, 5));
    EXPECT_EQ(L"Approx ssd life at that rate, for 240Gb: 20 years", FormatLifeSentence(figures, L"240Gb"));

    // Five minutes or less of monitoring in the range: still calculating, as in the main window.
    days[1].monitoringSeconds = 300;
    figures = ComputeRangeFigures(days, 102, 102, LifeBudgetBytes(7));
    EXPECT_EQ(L"Calculating", figures.lifeText);
    figures = ComputeRangeFigures(days, 107, 200, LifeBudgetBytes(7));
    EXPECT_EQ(0, figures.monitoredDays);
    EXPECT_EQ(L"0.00 b", figures.perDayText);
    EXPECT_EQ(L"Calculating", figures.lifeText);
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
