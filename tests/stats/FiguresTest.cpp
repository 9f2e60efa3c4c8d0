#include <gtest/gtest.h>

#include "stats/CapacityList.h"
#include "stats/Figures.h"
#include "stats/ToolTips.h"

namespace
{
const uint64_t GiB = 1ULL << 30;

CQStatisticsBlock Block(uint64_t seconds, uint64_t read = 0)
{
    CQStatisticsBlock b{};
    b.m_qwordMonitoringSeconds = seconds;
    b.m_qwordRead = read;
    return b;
}

TEST(Figures, FreshStartShowsZerosOneSecondAndCalculating)
{
    const CQStatisticsBlock b = Block(0);
    const CQFigureTexts t = ComputeFigures(0, 0, b, false, 0, LifeBudgetBytes(0));
    EXPECT_EQ(L"0.00 b", t.totalWrites);
    EXPECT_EQ(L"0.00 b", t.alignedWrites);
    EXPECT_EQ(L"0", t.operations);
    EXPECT_EQ(L"0", t.files);
    EXPECT_EQ(L"0 00:00:01", t.monitoringTime);
    EXPECT_EQ(L"0.00 b", t.writesPerDay);
    EXPECT_EQ(L"0.00 b", t.alignedPerDay);
    EXPECT_EQ(L"0.00 b", t.totalRead);
    EXPECT_EQ(L"0", t.ratio);
    EXPECT_EQ(L"Calculating", t.life);
    EXPECT_EQ(L"Awaiting", t.status);
    EXPECT_EQ(L"Unprocessed queue: 0 events", t.queue);
}

TEST(Figures, EstimateAppearsOnlyAfterFiveMinutesOfMonitoring)
{
    const uint64_t budget = LifeBudgetBytes(7);
    EXPECT_EQ(L"Calculating", ComputeFigures(300 * 4096, 0, Block(300), true, 0, budget).life);
    EXPECT_NE(L"Calculating", ComputeFigures(301 * 4096, 0, Block(301), true, 0, budget).life);
}

TEST(Figures, RatesTruncateBytesPerSecondBeforeScalingToADay)
{
    // 1000 bytes in 3000 seconds: 0 bytes a second, so 0 a day and no estimate however long it runs.
    const CQFigureTexts t = ComputeFigures(1000, 4096, Block(3000), true, 3, LifeBudgetBytes(0));
    EXPECT_EQ(L"0.00 b", t.writesPerDay);
    EXPECT_EQ(L"84.38 Kb", t.alignedPerDay); // (4096 / 3000 = 1) * 86400 bytes
    EXPECT_EQ(L"Calculating", t.life);
    EXPECT_EQ(L"Monitoring in progress...", t.status);
    EXPECT_EQ(L"Unprocessed queue: 3 events", t.queue);
}

TEST(Figures, TwentyGibADayOn240GbLastsTwentyYears)
{
    const CQFigureTexts t = ComputeFigures(20 * GiB, 20 * GiB, Block(86400), true, 0, LifeBudgetBytes(7));
    EXPECT_EQ(L"20.00 Gb", t.writesPerDay);
    EXPECT_EQ(L"20 years", t.life); // 7200 days
}

TEST(Figures, LifeUnitsByDays)
{
    const struct
    {
        uint64_t days;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 days"},      {29, L"29 days"},  {30, L"1 months"},   {45, L"1.5 months"},
        {364, L"12 months"}, {365, L"1 years"}, {7200, L"20 years"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), FormatLife(c.days)) << c.days << " days";
}

// Two significant digits would read "1e+02 years" from 99.5 years on: whole years from there.
TEST(Figures, LifeOfAHundredYearsOrMoreIsInWholeYears)
{
    const struct
    {
        uint64_t days;
        const wchar_t* text;
    } cases[] = {
        {36317, L"99 years"},    {36318, L"100 years"},
        {36500, L"100 years"},   {237980, L"652 years"},
        {365000, L"1000 years"}, {7635497415ULL, L"20919171 years"}, // "1Tb" written at one byte a second
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), FormatLife(c.days)) << c.days << " days";
    // 1 GiB a day on "240Gb": 240 x 600 days, about 395 years.
    EXPECT_EQ(L"395 years", ComputeFigures(GiB, GiB, Block(86400), true, 0, LifeBudgetBytes(7)).life);
}

TEST(Figures, RatioHasFourSignificantDigits)
{
    EXPECT_EQ(L"3", ComputeFigures(3 * GiB, 0, Block(10, GiB), false, 0, 0).ratio);
    EXPECT_EQ(L"0.3333", ComputeFigures(GiB, 0, Block(10, 3 * GiB), false, 0, 0).ratio);
    EXPECT_EQ(L"0", ComputeFigures(GiB, 0, Block(10, 0), false, 0, 0).ratio);
}

TEST(Figures, MonitoringTimeAdvancesOnlyWhileRunningAndNeverBackwards)
{
    struct Case
    {
        const char* what;
        bool running;
        int64_t stamp;
        uint64_t seconds;
        int64_t now;
        uint64_t expectedSeconds;
        int64_t expectedStamp;
    };
    const Case cases[] = {
        {"off: nothing moves", false, 1000, 100, 4600, 100, 1000},
        {"on: the seconds since the stamp", true, 1000, 100, 1060, 160, 1060},
        {"on, same second", true, 1000, 100, 1000, 100, 1000},
        // 100 monitored seconds and the clock set back 200 s: only the stamp moves.
        {"clock set back", true, 1000, 100, 800, 100, 800},
        {"off, clock set back", false, 1000, 100, 800, 100, 1000},
        {"stamp of a damaged file far in the past", true, INT64_MIN, 0, 10, uint64_t(INT64_MAX) + 11, 10},
        {"stamp of a damaged file far in the future", true, INT64_MAX, 5, 10, 5, 10},
    };
    for (const Case& c : cases)
    {
        CQStatisticsBlock b = Block(c.seconds);
        b.m_int64LastTimeStamp = c.stamp;
        AdvanceMonitoringTime(b, c.running, c.now);
        EXPECT_EQ(c.expectedSeconds, b.m_qwordMonitoringSeconds) << c.what;
        EXPECT_EQ(c.expectedStamp, b.m_int64LastTimeStamp) << c.what;
    }
}

TEST(CapacityList, DefaultIsTheSmallestLargerCapacity)
{
    EXPECT_EQ(7, ChooseDefaultCapacity(238 * GiB));  // 240Gb
    EXPECT_EQ(10, ChooseDefaultCapacity(465 * GiB)); // 512Gb
    EXPECT_EQ(8, ChooseDefaultCapacity(240 * GiB));  // exactly 240: must exceed, so 256Gb
    EXPECT_EQ(0, ChooseDefaultCapacity(1 * GiB));
    EXPECT_EQ(0, ChooseDefaultCapacity(0));           // size unknown
    EXPECT_EQ(11, ChooseDefaultCapacity(1024 * GiB)); // nothing larger: the largest listed
    EXPECT_EQ(11, ChooseDefaultCapacity(4096 * GiB));
}

TEST(CapacityList, StoredChoiceWinsAndMinusOneIsReplaced)
{
    int stored = 8;
    EXPECT_EQ(8, SelectCapacityRow(stored, true, 465 * GiB));
    EXPECT_EQ(8, stored);

    stored = -1;
    EXPECT_EQ(7, SelectCapacityRow(stored, true, 238 * GiB));
    EXPECT_EQ(7, stored);

    stored = -1;
    EXPECT_EQ(0, SelectCapacityRow(stored, false, 0));
    EXPECT_EQ(-1, stored) << "without drives the setting is neither read nor changed";

    stored = 99;
    EXPECT_EQ(0, SelectCapacityRow(stored, true, 238 * GiB));
}

TEST(CapacityList, BudgetIsSixHundredCapacities)
{
    EXPECT_EQ(240ULL * GiB * 600, LifeBudgetBytes(7));
    EXPECT_EQ(1024ULL * GiB * 600, LifeBudgetBytes(11));
}

TEST(ToolTips, ValueAndLabelShareOneText)
{
    EXPECT_STREQ(GetFigureToolTip(1021), GetFigureToolTip(1064));
    EXPECT_STREQ(L"Size of your SSD (current or planned) - SSD life depends on it", GetFigureToolTip(1076));
    EXPECT_EQ(nullptr, GetFigureToolTip(1018));
    EXPECT_EQ(nullptr, GetFigureToolTip(1030));
}
} // namespace
