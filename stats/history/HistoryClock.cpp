#include "stats/history/HistoryClock.h"

#include <windows.h>

#include "stats/history/DayNumber.h"

int32_t CQHistoryClock::LocalDay() const
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return DayNumberFromDate(now.wYear, now.wMonth, now.wDay);
}

uint64_t CQHistoryClock::AwakeMilliseconds() const
{
    // The unbiased interrupt time leaves out sleep and hibernation; it counts in 100 ns units.
    ULONGLONG unbiased = 0;
    if (::QueryUnbiasedInterruptTime(&unbiased))
        return unbiased / 10000;
    return ::GetTickCount64();
}

const CQHistoryClock& SystemHistoryClock()
{
    static const CQHistoryClock clock;
    return clock;
}
