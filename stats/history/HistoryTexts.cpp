#include "stats/history/HistoryTexts.h"

#include <algorithm>

#include "stats/Figures.h"
#include "stats/Format.h"
#include "stats/history/DayNumber.h"

std::wstring FormatDayToolTip(const CQHistoryDay& day, bool isToday)
{
    std::wstring text = FormatDayNumber(day.day);
    if (isToday)
        text += L" (today, still growing)";
    text += L"\r\nAligned to (4k): " + FormatSize(day.writtenAligned);
    text += L"\r\nWritten: " + FormatSize(day.written);
    text += L"\r\nRead: " + FormatSize(day.read);
    text += L"\r\nOperations: " + FormatCount(day.operations);
    text += L"\r\nMonitoring time: " +
            FormatDuration(static_cast<int64_t>(std::min<uint64_t>(day.monitoringSeconds, INT64_MAX)));
    if (day.topWriters.empty())
    {
        text += L"\r\nTop writers: none named";
        return text;
    }
    text += L"\r\nTop writers:";
    for (const CQTopWriter& writer : day.topWriters)
        text += L"\r\n    " + writer.name + L": " + FormatSize(writer.bytes);
    return text;
}

CQRangeFigures ComputeRangeFigures(const std::vector<CQHistoryDay>& days, int32_t firstDay, int32_t lastDay,
                                   uint64_t lifeBudget)
{
    CQRangeFigures figures;
    auto at = std::lower_bound(days.begin(), days.end(), firstDay,
                               [](const CQHistoryDay& row, int32_t value) { return row.day < value; });
    for (; at != days.end() && at->day <= lastDay; ++at)
    {
        figures.written = SaturatingAdd(figures.written, at->written);
        figures.writtenAligned = SaturatingAdd(figures.writtenAligned, at->writtenAligned);
        figures.monitoringSeconds = SaturatingAdd(figures.monitoringSeconds, at->monitoringSeconds);
        ++figures.monitoredDays;
    }
    // The main window's own computation, fed with the range's sums.
    CQStatisticsBlock block{};
    block.m_qwordMonitoringSeconds = figures.monitoringSeconds;
    const CQFigureTexts texts =
        ComputeFigures(figures.written, figures.writtenAligned, block, false, 0, lifeBudget);
    const uint64_t seconds = figures.monitoringSeconds ? figures.monitoringSeconds : 1;
    figures.writtenPerDay = (figures.written / seconds) * 86400;
    figures.perDayText = texts.writesPerDay;
    figures.lifeText = texts.life;
    return figures;
}

std::wstring FormatAverageSentence(const CQRangeFigures& figures, int rangeDays)
{
    return L"Average per monitored day: " + figures.perDayText + L" (" +
           std::to_wstring(figures.monitoredDays) + L" of " + std::to_wstring(rangeDays) +
           L" days monitored)";
}

std::wstring FormatLifeSentence(const CQRangeFigures& figures, const wchar_t* capacityName)
{
    return std::wstring(L"Approx ssd life at that rate, for ") + capacityName + L": " + figures.lifeText;
}
