// The day accounting: growth credited to the day it was seen on, across midnight, a clear, sleep and
// steps of the calendar clock, and the day's top writers.
#include <gtest/gtest.h>

#include "stats/history/DayAccounting.h"
#include "stats/history/DayNumber.h"

namespace
{
const int32_t kMonday = DayNumberFromDate(2025, 3, 10);

// The monitor's side of a run: its totals and process records, grown as writes come.
struct MonitorRun
{
    CQHistoryTotals totals;
    CQPtrAutoArray<CQProcess> processes;
    uint64_t awakeMs = 5000000;

    void Write(const wchar_t* process, uint64_t bytes)
    {
        totals.written += bytes;
        totals.writtenAligned += (bytes + 4095) / 4096 * 4096;
        totals.operations += 1;
        for (int i = 0; i < processes.GetSize(); ++i)
        {
            if (processes[i]->m_csProcessName == process)
            {
                processes[i]->m_qwordWritten += bytes;
                return;
            }
        }
        CQProcess* record = new CQProcess;
        record->m_csProcessName = process;
        record->m_qwordWritten = bytes;
        processes.Add(record);
    }
    // Monitoring goes on for `seconds`, awake.
    void Pass(uint64_t seconds)
    {
        totals.monitoringSeconds += seconds;
        awakeMs += seconds * 1000;
    }
    // What the monitor's clear does.
    void Clear()
    {
        totals = CQHistoryTotals{};
        processes.RemoveAll();
    }
    void Sample(CQDayAccounting& accounting, int32_t day)
    {
        accounting.Sample(day, awakeMs, totals, &processes);
    }
};

std::string Writers(const CQHistoryDay& day)
{
    std::string text;
    for (const CQTopWriter& writer : day.topWriters)
        text +=
            std::string(writer.name.begin(), writer.name.end()) + "=" + std::to_string(writer.bytes) + " ";
    return text;
}

TEST(DayAccounting, GrowthGoesToTheDayItWasSeenOnAndRollsOverAtMidnight)
{
    MonitorRun run;
    run.Write(L"old.exe", 999); // before the start: not the history's
    run.Pass(50);
    CQDayAccounting accounting;
    accounting.Begin(run.totals, run.processes, run.awakeMs);

    run.Sample(accounting, kMonday);
    EXPECT_TRUE(accounting.Days().empty()) << "nothing grew, so no row";

    run.Write(L"a.exe", 1000);
    run.Write(L"old.exe", 10);
    run.Pass(60);
    run.Sample(accounting, kMonday);
    run.Write(L"a.exe", 24);
    run.Pass(1);
    run.Sample(accounting, kMonday + 1); // first sample after midnight
    run.Pass(30);
    run.Sample(accounting, kMonday + 3); // two days later; the days between stay gaps

    const std::vector<CQHistoryDay>& days = accounting.Days();
    ASSERT_EQ(3u, days.size());
    EXPECT_EQ(kMonday, days[0].day);
    EXPECT_EQ(1010u, days[0].written);
    EXPECT_EQ(8192u, days[0].writtenAligned);
    EXPECT_EQ(2u, days[0].operations);
    EXPECT_EQ(60u, days[0].monitoringSeconds);
    EXPECT_EQ("a.exe=1000 old.exe=10 ", Writers(days[0]));
    EXPECT_EQ(kMonday + 1, days[1].day);
    EXPECT_EQ(24u, days[1].written);
    EXPECT_EQ(1u, days[1].monitoringSeconds);
    EXPECT_EQ("a.exe=24 ", Writers(days[1]));
    EXPECT_EQ(kMonday + 3, days[2].day);
    EXPECT_EQ(0u, days[2].written);
    EXPECT_EQ(30u, days[2].monitoringSeconds);
    EXPECT_TRUE(days[2].topWriters.empty());
}

TEST(DayAccounting, AClearInMidDayKeepsTheDayAndCountsOnFromZeroAnnouncedOrNot)
{
    for (bool announced : {true, false})
    {
        SCOPED_TRACE(announced ? "announced" : "not announced");
        MonitorRun run;
        CQDayAccounting accounting;
        accounting.Begin(run.totals, run.processes, run.awakeMs);
        run.Write(L"a.exe", 5000);
        run.Pass(100);
        run.Sample(accounting, kMonday); // the sample the clear takes first
        run.Clear();
        if (announced)
            accounting.Begin(run.totals, run.processes, run.awakeMs);
        run.Write(L"b.exe", 300);
        run.Write(L"a.exe", 200);
        run.Pass(20);
        run.Sample(accounting, kMonday);

        ASSERT_EQ(1u, accounting.Days().size());
        const CQHistoryDay& day = accounting.Days()[0];
        EXPECT_EQ(5500u, day.written) << "no wrapped difference";
        EXPECT_EQ(120u, day.monitoringSeconds);
        EXPECT_EQ("a.exe=5200 b.exe=300 ", Writers(day));
        // Unannounced, a counter that grew past its old value again cannot be told from plain growth.
        if (announced)
        {
            EXPECT_EQ(3u, day.operations);
        }
    }
}

TEST(DayAccounting, SleepAndClockStepsAddNoMonitoringTime)
{
    MonitorRun run;
    CQDayAccounting accounting;
    accounting.Begin(run.totals, run.processes, run.awakeMs);
    run.Pass(3600);
    run.Sample(accounting, kMonday);

    // Asleep over midnight: the awake time does not move, and a block that counted the sleep anyway
    // (or a calendar clock stepped forward an hour) adds nothing to either day.
    run.totals.monitoringSeconds += 8 * 3600;
    run.Sample(accounting, kMonday + 1);
    // Awake again: one second.
    run.Pass(1);
    run.Sample(accounting, kMonday + 1);
    // A monitoring-time counter gone wrong by a negative step read as unsigned.
    run.totals.monitoringSeconds -= 10;
    run.awakeMs += 1000;
    run.Sample(accounting, kMonday + 1);
    run.totals.monitoringSeconds = UINT64_MAX - 5;
    run.awakeMs += 1000;
    run.Sample(accounting, kMonday + 1);

    const std::vector<CQHistoryDay>& days = accounting.Days();
    ASSERT_EQ(2u, days.size());
    EXPECT_EQ(3600u, days[0].monitoringSeconds);
    // Three awake seconds that day, in four samples.
    EXPECT_LE(days[1].monitoringSeconds, 3u + 4) << "at most the awake seconds and a second per sample";
}

// A row dated in the future (the clock jumped ahead and came back, or the file was edited by hand) keeps
// what it had: every day's growth goes to that day's own row, made in its place among the others.
TEST(DayAccounting, GrowthGoesToTheDayTheClockNamesNeverIntoALaterRow)
{
    CQHistoryDay future;
    future.day = kMonday + 30;
    future.written = 999;
    future.topWriters = {{L"z.exe", 999}};
    MonitorRun run;
    CQDayAccounting accounting;
    accounting.SetDays({future});
    accounting.Begin(run.totals, run.processes, run.awakeMs);
    run.Write(L"a.exe", 100);
    run.Pass(10);
    run.Sample(accounting, kMonday + 1);
    // Stepped back across midnight.
    run.Write(L"a.exe", 50);
    run.Pass(10);
    run.Sample(accounting, kMonday);
    run.Write(L"b.exe", 7);
    run.Pass(10);
    run.Sample(accounting, kMonday + 1);

    const std::vector<CQHistoryDay>& days = accounting.Days();
    ASSERT_EQ(3u, days.size());
    EXPECT_EQ(kMonday, days[0].day);
    EXPECT_EQ(50u, days[0].written);
    EXPECT_EQ(10u, days[0].monitoringSeconds);
    EXPECT_EQ("a.exe=50 ", Writers(days[0]));
    EXPECT_EQ(kMonday + 1, days[1].day);
    EXPECT_EQ(107u, days[1].written);
    EXPECT_EQ(20u, days[1].monitoringSeconds);
    EXPECT_EQ("a.exe=100 b.exe=7 ", Writers(days[1]));
    EXPECT_EQ(kMonday + 30, days[2].day);
    EXPECT_EQ(999u, days[2].written);
    EXPECT_EQ("z.exe=999 ", Writers(days[2]));
}

TEST(DayAccounting, AStartOnTheLastRowsDayGoesOnWithItAndItsWriters)
{
    CQHistoryDay saved;
    saved.day = kMonday;
    saved.written = 1000;
    saved.monitoringSeconds = 40;
    saved.topWriters = {{L"a.exe", 600}, {L"b.exe", 400}};
    CQHistoryDay older = saved;
    older.day = kMonday - 5;

    MonitorRun run;
    CQDayAccounting accounting;
    accounting.SetDays({older, saved});
    accounting.Begin(run.totals, run.processes, run.awakeMs);
    run.Write(L"b.exe", 300);
    run.Pass(5);
    run.Sample(accounting, kMonday);

    const std::vector<CQHistoryDay>& days = accounting.Days();
    ASSERT_EQ(2u, days.size());
    EXPECT_EQ(1300u, days[1].written);
    EXPECT_EQ(45u, days[1].monitoringSeconds);
    EXPECT_EQ("b.exe=700 a.exe=600 ", Writers(days[1]));
    EXPECT_EQ("a.exe=600 b.exe=400 ", Writers(days[0])) << "an earlier day is left alone";
}

TEST(DayAccounting, KeepsTheFiveLargestWritersOfTheDay)
{
    MonitorRun run;
    CQDayAccounting accounting;
    accounting.Begin(run.totals, run.processes, run.awakeMs);
    const wchar_t* names[] = {L"p1", L"p2", L"p3", L"p4", L"p5", L"p6", L"p7"};
    const uint64_t bytes[] = {50, 70, 10, 70, 20, 90, 30};
    for (int i = 0; i < 7; ++i)
        run.Write(names[i], bytes[i]);
    run.Pass(1);
    run.Sample(accounting, kMonday);
    // Equal bytes by name.
    EXPECT_EQ("p6=90 p2=70 p4=70 p1=50 p7=30 ", Writers(accounting.Days()[0]));
}

} // namespace
