// Sleep and resume as Windows announces them to the real program's window: the time asleep is not
// monitoring time.
#include "main/MainWindowFixture.h"

#include <cwchar>

#include "resources/resource.h"

namespace
{
// Long enough that a time asleep that was counted could not pass for the refreshes after the resume.
constexpr DWORD kAsleepMs = 6000;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// "D HH:MM:SS" in seconds, or -1.
long long MonitoringSeconds(const std::wstring& text)
{
    long long days = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (swscanf(text.c_str(), L"%lld %d:%d:%d", &days, &hours, &minutes, &seconds) != 4)
        return -1;
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
}

bool Announce(HWND window, WPARAM event)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_POWERBROADCAST, event, 0, SMTO_ABORTIFHUNG, 10000, &answer) &&
           answer == TRUE;
}
} // namespace

TEST_F(MainWindowTest, TheTimeAsleepIsNotMonitoringTime)
{
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    ASSERT_TRUE(Launch());
    const auto seconds = [this] { return MonitoringSeconds(m_program.Text(IDC_MONITORING_TIME)); };
    ASSERT_TRUE(WaitFor([&] { return seconds() >= 2; }, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_MONITORING_TIME));

    ASSERT_TRUE(Announce(m_program.MainWindow(), PBT_APMSUSPEND));
    const ULONGLONG suspended = GetTickCount64();
    // The next refresh shows the time up to the suspend; after it the time stands still.
    Sleep(2500);
    const long long asleep = seconds();
    Sleep(kAsleepMs - 2500);
    EXPECT_EQ(asleep, seconds()) << "the time moved while the machine slept";
    ASSERT_TRUE(Announce(m_program.MainWindow(), PBT_APMRESUMEAUTOMATIC));
    const long long asleepSeconds = static_cast<long long>((GetTickCount64() - suspended) / 1000);

    // Counting goes on from the resume: the first figures after it hold a second or two more, not the
    // time asleep.
    ASSERT_TRUE(WaitFor([&] { return seconds() > asleep; }, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_MONITORING_TIME));
    EXPECT_LT(seconds() - asleep, asleepSeconds) << "the time asleep was counted";
    EXPECT_TRUE(CloseWithEscape(m_program));
}
