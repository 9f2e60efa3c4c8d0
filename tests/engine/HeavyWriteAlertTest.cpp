// The heavy-writing alert over a whole monitor fed by the stand-in driver, with the alert's clock moved
// by the test: bursts, a slow steady rate, the quiet period, and alerts switched off.
#include <string>

#include "engine/Counters.h"
#include "engine/StandinMonitorFixture.h"
#include "stats/Format.h"
#include "stats/alerts/HeavyWriteAlert.h"

namespace
{
constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;

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

    // A write of this process through the driver, waited for until the monitor has counted it.
    void Write(uint64_t bytes)
    {
        m_written += bytes;
        Feed("write " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(bytes) +
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
            if (m_alert.Tick(*m_monitor, m_settings, m_now, text))
                alerts.push_back(text);
        }
        return alerts;
    }

    std::vector<std::wstring> AlertLines() const { return LinesStartingWith(L"Heavy writing: "); }

    CQHeavyWriteAlert m_alert;
    int64_t m_now = 1000;
    uint64_t m_written = 0;
};
} // namespace

TEST_F(HeavyWriteAlertTest, ABurstGivesOneAlertNamingTheProcessAndTheNextOnlyAfterTenMinutes)
{
    TickUntil(1000);
    Write(2 * kMiB);
    const std::wstring first = L"Heavy writing: " + SelfName() + L" wrote 2.00 Mb in the last minute";
    EXPECT_EQ(std::vector<std::wstring>{first}, TickUntil(1030));
    EXPECT_EQ(std::vector<std::wstring>{first}, AlertLines()) << LogText();

    // Another burst five minutes on is within the quiet period.
    TickUntil(1300);
    Write(3 * kMiB);
    EXPECT_TRUE(TickUntil(1500).empty());

    // Ten minutes after the first alert, a burst of 1.5 MiB (3 MiB have aged out) alerts again.
    TickUntil(1600);
    Write(1536 * kKiB);
    const std::wstring second = L"Heavy writing: " + SelfName() + L" wrote 1.50 Mb in the last minute";
    EXPECT_EQ(std::vector<std::wstring>{second}, TickUntil(1610));
    EXPECT_EQ((std::vector<std::wstring>{first, second}), AlertLines()) << LogText();
}

TEST_F(HeavyWriteAlertTest, ASlowSteadyRateAboveTheThresholdInTotalGivesNone)
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
}
