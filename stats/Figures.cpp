#include "stats/Figures.h"

#include <cstdio>

#include "stats/Format.h"
#include "stats/history/HistoryClock.h"

namespace
{
// The smallest number of years that "%.02g" rounds to three digits.
constexpr double kWholeYearsFrom = 99.5;
} // namespace

CQMonitoringClock::CQMonitoringClock(const CQHistoryClock* clock)
    : m_clock(clock ? *clock : SystemHistoryClock())
{
}

void CQMonitoringClock::Restart()
{
    m_boolCounting = true;
    m_qwordLastAwakeMs = m_clock.AwakeMilliseconds();
    m_qwordCarryMs = 0;
}

void CQMonitoringClock::Advance(CQStatisticsBlock& block, bool counting, int64_t now)
{
    const uint64_t awake = m_clock.AwakeMilliseconds();
    if (counting)
    {
        const uint64_t elapsed =
            m_boolCounting && awake >= m_qwordLastAwakeMs ? awake - m_qwordLastAwakeMs + m_qwordCarryMs : 0;
        block.m_qwordMonitoringSeconds += elapsed / 1000;
        m_qwordCarryMs = elapsed % 1000;
        block.m_int64LastTimeStamp = now;
    }
    m_boolCounting = counting;
    m_qwordLastAwakeMs = awake;
}

std::wstring FormatLife(uint64_t days)
{
    wchar_t buffer[64];
    const double years = static_cast<double>(days) / 365.0;
    // Two significant digits turn into an exponent ("1e+02") from 99.5 on: whole years from there.
    if (years >= kWholeYearsFrom)
        swprintf(buffer, 64, L"%.0f years", years);
    else if (days >= 365)
        swprintf(buffer, 64, L"%.02g years", years);
    else if (days >= 30)
        swprintf(buffer, 64, L"%.02g months", static_cast<double>(days) / 30.0);
    else
        swprintf(buffer, 64, L"%d days", static_cast<int>(days));
    return buffer;
}

uint64_t WritesPerDay(uint64_t written, uint64_t seconds)
{
    return (written / (seconds ? seconds : 1)) * 86400;
}

CQFigureTexts ComputeFigures(uint64_t written, uint64_t writtenAligned, const CQStatisticsBlock& block,
                             bool running, int pendingRecords, uint64_t lifeBudget)
{
    CQFigureTexts t;
    t.totalWrites = FormatSize(written);
    t.alignedWrites = FormatSize(writtenAligned);
    t.operations = FormatCount(block.m_qwordOperations);
    t.files = FormatCount(block.m_qwordFiles);

    // With nothing monitored yet the time reads one second, which also keeps the rates defined.
    const uint64_t seconds = block.m_qwordMonitoringSeconds ? block.m_qwordMonitoringSeconds : 1;
    t.monitoringTime = FormatDuration(static_cast<int64_t>(seconds));

    const uint64_t perDay = WritesPerDay(written, seconds);
    const uint64_t alignedPerDay = WritesPerDay(writtenAligned, seconds);
    t.writesPerDay = FormatSize(perDay);
    t.alignedPerDay = FormatSize(alignedPerDay);
    t.totalRead = FormatSize(block.m_qwordRead);

    const double w = static_cast<double>(written);
    const double r = static_cast<double>(block.m_qwordRead);
    if (r > 0.0)
    {
        wchar_t buffer[64];
        swprintf(buffer, 64, L"%.04g", w / r);
        t.ratio = buffer;
    }
    else
    {
        t.ratio = L"0";
    }

    if (perDay == 0 || block.m_qwordMonitoringSeconds <= 300)
        t.life = L"Calculating";
    else
        t.life = FormatLife(lifeBudget / perDay);

    t.status = running ? L"Monitoring in progress..." : L"Awaiting";
    wchar_t queue[64];
    swprintf(queue, 64, L"Unprocessed queue: %d events", pendingRecords);
    t.queue = queue;
    return t;
}
