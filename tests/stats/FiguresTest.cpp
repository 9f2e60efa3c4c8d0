#include <gtest/gtest.h>

#include "stats/CapacityList.h"
#include "stats/Figures.h"
#include "stats/ToolTips.h"
#include "stats/history/HistoryClock.h"

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

// The monitoring time follows an awake clock: a machine that sleeps, announced or not, stops it, and the
// calendar clock only gives the stamp.
class AwakeClock : public CQHistoryClock
{
public:
    uint64_t AwakeMilliseconds() const override { return awakeMs; }
    uint64_t awakeMs = 7000000;
};

TEST(Figures, MonitoringTimeCountsOnlyTimeAwake)
{
    struct Step
    {
        const char* what;
        bool counting;
        int64_t awakeMs; // since the step before
        int64_t now;     // calendar seconds
        uint64_t expectedSeconds;
        int64_t expectedStamp;
    };
    // Monitoring was switched on at calendar second 1000 with 100 seconds counted before.
    const Step steps[] = {
        {"a minute", true, 60000, 1060, 160, 1060},
        {"the clock stepped an hour ahead", true, 1000, 4661, 161, 4661},
        {"the clock stepped two hours back", true, 1000, -2538, 162, -2538},
        {"eight hours of sleep that nobody announced", true, 0, 26262, 162, 26262},
        {"half seconds add up", true, 500, 26262, 162, 26262},
        {"", true, 500, 26263, 163, 26263},
        {"not counting: nothing moves", false, 30000, 26293, 163, 26263},
        {"counting again: the pause does not count", true, 2000, 26295, 163, 26295},
        {"", true, 1000, 26296, 164, 26296},
        {"an awake reading that went back adds nothing", true, -5000, 26297, 164, 26297},
    };
    AwakeClock awake;
    CQMonitoringClock clock(&awake);
    CQStatisticsBlock block = Block(100);
    block.m_int64LastTimeStamp = 1000;
    clock.Restart();
    for (const Step& step : steps)
    {
        awake.awakeMs += static_cast<uint64_t>(step.awakeMs);
        clock.Advance(block, step.counting, step.now);
        EXPECT_EQ(step.expectedSeconds, block.m_qwordMonitoringSeconds) << step.what;
        EXPECT_EQ(step.expectedStamp, block.m_int64LastTimeStamp) << step.what;
    }

    // Before counting started (no Restart), and right after a Restart, nothing is added yet.
    CQMonitoringClock fresh(&awake);
    CQStatisticsBlock other = Block(5);
    awake.awakeMs += 10000;
    fresh.Advance(other, true, 1);
    EXPECT_EQ(5u, other.m_qwordMonitoringSeconds);
    fresh.Restart();
    fresh.Advance(other, true, 2);
    EXPECT_EQ(5u, other.m_qwordMonitoringSeconds);
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
