// The heavy-writing alerts over a whole monitor fed by the stand-in driver, with the alerts' clock moved
// by the test: bursts and their text, a slow steady rate that is no burst, the hour's rate that would wear
// the drive out, the quiet periods, the writers kept for the balloon, and alerts switched off.
#include <string>

#include "engine/Counters.h"
#include "engine/StandinMonitorFixture.h"
#include "stats/CapacityList.h"
#include "stats/Format.h"
#include "stats/alerts/HeavyWriteAlert.h"
#include "support/OtherProcess.h"

namespace
{
constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;
constexpr int kCapacity32Gb = 0;
constexpr int kCapacity1Tb = 11;

class HeavyWriteAlertTest : public StandinMonitorTest
{
protected:
    void SetUp() override
    {
        StandinMonitorTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_settings.m_csSelectedDrives = L"C:";
        m_settings.m_intAlertMegabytesPerMinute = 1;
        m_monitor->Start();
        ASSERT_EQ(1, m_monitor->m_boolThreadsStarted) << LogText();
        m_monitor->ListVolumes();
        m_monitor->AttachSelectedDrives();
        CounterStore(m_monitor->m_boolRunning, LONG(1));
    }

    void TearDown() override
    {
        if (m_monitor && m_monitor->m_boolThreadsStarted)
            m_monitor->CleanUp();
        StandinMonitorTest::TearDown();
    }

    // A write of the process through the driver, waited for until the monitor has counted it.
    void Write(uint64_t bytes, DWORD processId = GetCurrentProcessId())
    {
        m_written += bytes;
        Feed("write " + std::to_string(processId) + " " + std::to_string(bytes) +
             " 0 C:\\alerts\\burst.bin\n");
        ASSERT_TRUE(WaitFor([&] { return CounterLoad(m_monitor->m_stats.m_qwordWritten) == m_written; }))
            << LogText();
    }

    // Ticks once a second from the alert's current second up to and including `until`; the alerts.
    std::vector<std::wstring> TickUntil(int64_t until)
    {
        std::vector<std::wstring> alerts;
        for (; m_now <= until; ++m_now)
        {
            std::wstring text = L"(untouched)";
            if (m_alert.Tick(*m_monitor, m_settings, m_lifeBudget, m_now, text))
                alerts.push_back(text);
        }
        return alerts;
    }

    std::vector<std::wstring> AlertLines() const { return LinesStartingWith(L"Heavy writing: "); }

    // The name the monitor keeps for a process id.
    std::wstring NameOf(DWORD processId)
    {
        std::wstring name;
        m_monitor->LookupProcessName(processId, name);
        return name;
    }

    CQHeavyWriteAlert m_alert;
    // The largest capacity: a rate of MBs is no wear of it.
    uint64_t m_lifeBudget = LifeBudgetBytes(kCapacity1Tb);
    int64_t m_now = 1000;
    uint64_t m_written = 0;
};
} // namespace

TEST_F(HeavyWriteAlertTest, ABurstSaysTheMinutesTotalAndItsTopWriterAndTheNextComesOnlyAfterTenMinutes)
{
    const DWORD other = OtherProcessId();
    ASSERT_NE(GetCurrentProcessId(), other) << "no other process to write";
    TickUntil(1000);
    Write(1536 * kKiB);
    Write(512 * kKiB, other);
    CQAlertRecord alert;
    EXPECT_FALSE(m_alert.GetLastAlert(alert));
    const std::wstring first =
        L"Heavy writing: 2.00 Mb written in the last minute, 1.50 Mb of it (75%) by " + SelfName();
    EXPECT_EQ(std::vector<std::wstring>{first}, TickUntil(1030));
    EXPECT_EQ(std::vector<std::wstring>{first}, AlertLines()) << LogText();
    // The balloon's list: that minute's writers with their bytes.
    ASSERT_TRUE(m_alert.GetLastAlert(alert));
    EXPECT_FALSE(alert.hourly);
    EXPECT_EQ(2 * kMiB, alert.total);
    ASSERT_EQ(2u, alert.writers.size());
    EXPECT_EQ(SelfName(), alert.writers[0].name);
    EXPECT_EQ(1536 * kKiB, alert.writers[0].bytes);
    EXPECT_EQ(NameOf(other), alert.writers[1].name);
    EXPECT_EQ(512 * kKiB, alert.writers[1].bytes);
    EXPECT_EQ(L"Writers of the minute to 14:02:10, data written: 2.00 Mb",
              CQHeavyWriteAlert::FormatListHeadline(alert, L"14:02:10"));

    // Another burst five minutes on is within the quiet period.
    TickUntil(1300);
    Write(3 * kMiB);
    EXPECT_TRUE(TickUntil(1500).empty());

    // Ten minutes after the first alert, a burst of 1.5 MiB (3 MiB have aged out) alerts again.
    TickUntil(1600);
    Write(1536 * kKiB);
    const std::wstring second =
        L"Heavy writing: 1.50 Mb written in the last minute, 1.50 Mb of it (100%) by " + SelfName();
    EXPECT_EQ(std::vector<std::wstring>{second}, TickUntil(1610));
    EXPECT_EQ((std::vector<std::wstring>{first, second}), AlertLines()) << LogText();
    ASSERT_TRUE(m_alert.GetLastAlert(alert));
    ASSERT_EQ(1u, alert.writers.size());
    EXPECT_EQ(1536 * kKiB, alert.writers[0].bytes);
}

TEST_F(HeavyWriteAlertTest, ASlowSteadyRateAboveTheThresholdInTotalGivesNoBurstAlert)
{
    // 400 KiB every 30 seconds: at most 800 KiB in any minute, 4000 KiB in all.
    for (int i = 0; i < 10; ++i)
    {
        TickUntil(m_now + 29);
        Write(400 * kKiB);
    }
    EXPECT_TRUE(TickUntil(m_now + 60).empty());
    EXPECT_TRUE(AlertLines().empty()) << LogText();
    EXPECT_EQ(4000 * kKiB, m_written);
}

// With a 32Gb drive the life budget is 32 x 2^30 x 600 bytes; under five years (1825 days) of it is a rate
// of more than budget / 1825 = 11296352340 bytes a day, which the main window's formula,
// (bytes / 3600 seconds) x 86400, reaches from 470682000 bytes an hour on: 12 writes of 40 MiB
// (503316480 bytes) in an hour are above it, 11 (461373440 bytes) below.
TEST_F(HeavyWriteAlertTest, ARateThatWouldWearTheDriveOutInUnderFiveYearsGivesTheHourlyAlert)
{
    m_settings.m_intAlertMegabytesPerMinute = 1024;
    m_lifeBudget = LifeBudgetBytes(kCapacity32Gb);
    const struct
    {
        const char* name;
        int megabytesPerHour;
        int alertingWrite; // the write of 40 MiB at which the alert comes, 0 for none in 13
    } cases[] = {
        {"from the chosen capacity", -1, 12},
        {"a fixed 400 MB an hour", 400, 11},
        {"switched off", 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_settings.m_intAlertMegabytesPerHour = c.megabytesPerHour;
        m_alert = CQHeavyWriteAlert();
        const size_t logged = AlertLines().size();
        TickUntil(m_now);
        int alertedAt = 0;
        std::vector<std::wstring> alerts;
        for (int write = 1; write <= 13; ++write)
        {
            TickUntil(m_now + 299);
            Write(40 * kMiB);
            const std::vector<std::wstring> now = TickUntil(m_now);
            if (!now.empty() && alertedAt == 0)
                alertedAt = write;
            alerts.insert(alerts.end(), now.begin(), now.end());
        }
        EXPECT_EQ(c.alertingWrite, alertedAt);
        EXPECT_EQ(c.alertingWrite ? 1u : 0u, alerts.size()) << "one an hour at most";
        EXPECT_EQ(logged, AlertLines().size()) << "no burst alert";
    }
    EXPECT_EQ((std::vector<std::wstring>{
                  L"Steady heavy writing: 480.00 Mb written in the last hour, 480.00 Mb of it (100%) by " +
                      SelfName() + L"; at that rate the chosen SSD would last 4.7 years",
                  L"Steady heavy writing: 440.00 Mb written in the last hour, 440.00 Mb of it (100%) by " +
                      SelfName() + L"; at that rate the chosen SSD would last 5.1 years"}),
              LinesStartingWith(L"Steady heavy writing: "));

    // The quiet hour: the rate stays, and the next alert comes an hour after the last one.
    m_settings.m_intAlertMegabytesPerHour = -1;
    m_alert = CQHeavyWriteAlert();
    for (int write = 0; write < 12; ++write)
    {
        TickUntil(m_now + 299);
        Write(40 * kMiB);
    }
    EXPECT_EQ(1u, TickUntil(m_now).size());
    const int64_t alerted = m_now - 1;
    CQAlertRecord alert;
    ASSERT_TRUE(m_alert.GetLastAlert(alert));
    EXPECT_TRUE(alert.hourly);
    EXPECT_EQ(480 * kMiB, alert.total);
    ASSERT_EQ(1u, alert.writers.size());
    EXPECT_EQ(480 * kMiB, alert.writers[0].bytes);
    EXPECT_EQ(L"Writers of the hour to 09:00:00, data written: 480.00 Mb",
              CQHeavyWriteAlert::FormatListHeadline(alert, L"09:00:00"));
    std::vector<int64_t> later;
    for (int write = 0; write < 14; ++write)
    {
        for (int second = 0; second < 300; ++second)
        {
            if (!TickUntil(m_now).empty())
                later.push_back(m_now - 1);
        }
        Write(40 * kMiB);
    }
    ASSERT_EQ(1u, later.size());
    EXPECT_GE(later[0], alerted + 3600);
    EXPECT_LE(later[0], alerted + 3900);
}

TEST_F(HeavyWriteAlertTest, NothingWhileAlertsOrMonitoringAreOffAndNoNameWithoutProcesses)
{
    struct Case
    {
        const char* name;
        BOOL alerts;
        int megabytes;
        BOOL running;
    };
    const Case quiet[] = {
        {"alerts off", 0, 1, 1},
        {"threshold 0", 1, 0, 1},
        {"monitoring off", 1, 1, 0},
    };
    for (const Case& c : quiet)
    {
        m_settings.m_boolHeavyWriteAlerts = c.alerts;
        m_settings.m_intAlertMegabytesPerMinute = c.megabytes;
        TickUntil(m_now);
        Write(2 * kMiB);
        // Monitoring is switched off only after the write was counted (the threads drop writes then).
        CounterStore(m_monitor->m_boolRunning, LONG(c.running));
        EXPECT_TRUE(TickUntil(m_now + 5).empty()) << c.name;
        CounterStore(m_monitor->m_boolRunning, LONG(1));
        // Switched back on, what was written while off is not counted as new.
        m_settings.m_boolHeavyWriteAlerts = 1;
        m_settings.m_intAlertMegabytesPerMinute = 1;
        EXPECT_TRUE(TickUntil(m_now + 5).empty()) << c.name;
    }
    EXPECT_TRUE(AlertLines().empty()) << LogText();

    m_settings.m_boolCollectProcessesInformation = 0;
    Write(3 * kMiB);
    EXPECT_EQ(std::vector<std::wstring>{L"Heavy writing: 3.00 Mb written in the last minute"},
              TickUntil(m_now));
    CQAlertRecord alert;
    ASSERT_TRUE(m_alert.GetLastAlert(alert));
    EXPECT_TRUE(alert.writers.empty());
}
