#include "stats/history/HistoryTexts.h"

#include <algorithm>
#include <optional>

#include "stats/Figures.h"
#include "stats/Format.h"
#include "stats/history/DayNumber.h"

const wchar_t kAverageToolTip[] =
    L"What an average calendar day with monitoring wrote: the totals of the monitored days before today, "
    L"added up and divided by their number. The main window's \"Writes/day\" is another figure: the bytes "
    L"written per 24 hours of monitoring time. On a PC that is monitored 8 hours a day, it is about three "
    L"times this average.";

namespace
{
std::wstring Duration(uint64_t seconds)
{
    return FormatDuration(static_cast<int64_t>(std::min<uint64_t>(seconds, INT64_MAX)));
}

// "2025-01-31" for a day, "2025-01-27 to 2025-02-02" for longer bars.
std::wstring BarDates(const CQChartBar& bar)
{
    std::wstring text = FormatDayNumber(bar.sum.day);
    if (bar.dayCount > 1)
        text += L" to " + FormatDayNumber(bar.sum.day + bar.dayCount - 1);
    return text;
}

// A day's or a bar's figures and top writers, a line each, the drive's own writes after the measured ones.
std::wstring ToolTipFigures(const CQHistoryDay& day, const std::optional<uint64_t>& driveWritten)
{
    std::wstring text = L"\r\nAligned to (4k): " + FormatSize(day.writtenAligned);
    text += L"\r\nWritten: " + FormatSize(day.written);
    if (driveWritten)
        text += L"\r\nDrive wrote: " + FormatSize(*driveWritten);
    text += L"\r\nRead: " + FormatSize(day.read);
    text += L"\r\nOperations: " + FormatCount(day.operations);
    text += L"\r\nMonitoring time: " + Duration(day.monitoringSeconds);
    if (day.topWriters.empty())
        return text + L"\r\nTop writers: none named";
    text += L"\r\nTop writers:";
    for (const CQTopWriter& writer : day.topWriters)
        text += L"\r\n    " + writer.name + L": " + FormatSize(writer.bytes);
    return text;
}

std::wstring DriveWroteText(const CQChartBar& bar)
{
    return bar.driveWritten ? L", drive wrote " + FormatSize(*bar.driveWritten) : std::wstring();
}
} // namespace

std::wstring FormatDayToolTip(const CQHistoryDay& day, bool isToday)
{
    return FormatDayNumber(day.day) + (isToday ? L" (today, still growing)" : L"") +
           ToolTipFigures(day, std::nullopt);
}

std::wstring FormatBarToolTip(const CQChartBar& bar)
{
    if (bar.dayCount == 1)
        return FormatDayNumber(bar.sum.day) + (bar.includesToday ? L" (today, still growing)" : L"") +
               ToolTipFigures(bar.sum, bar.driveWritten);
    return BarDates(bar) + (bar.includesToday ? L" (this week, still growing)" : L"") +
           L"\r\nMonitored days: " + std::to_wstring(bar.monitoredDays) + L" of " +
           std::to_wstring(bar.dayCount) + ToolTipFigures(bar.sum, bar.driveWritten);
}

std::wstring FormatBarLine(const CQChartBar& bar)
{
    std::wstring text = BarDates(bar);
    if (bar.includesToday)
        text += L" (so far)";
    if (bar.monitoredDays == 0)
        return text + L": not monitored" + DriveWroteText(bar);
    text += L": written " + FormatSize(bar.sum.written) + L", aligned to (4k) " +
            FormatSize(bar.sum.writtenAligned);
    if (bar.dayCount > 1)
        text += L", " + std::to_wstring(bar.monitoredDays) + L" of " + std::to_wstring(bar.dayCount) +
                L" days monitored";
    else
        text += L", monitored " + Duration(bar.sum.monitoringSeconds);
    if (!bar.sum.topWriters.empty())
        text += L", top writer " + bar.sum.topWriters.front().name + L" " +
                FormatSize(bar.sum.topWriters.front().bytes);
    return text + DriveWroteText(bar);
}

CQRangeFigures ComputeRangeFigures(const std::vector<CQHistoryDay>& days, int32_t firstDay, int32_t today,
                                   uint64_t lifeBudget)
{
    CQRangeFigures figures;
    figures.pastDays = std::max(0, static_cast<int>(static_cast<int64_t>(today) - firstDay));
    auto at = std::lower_bound(days.begin(), days.end(), firstDay,
                               [](const CQHistoryDay& row, int32_t value) { return row.day < value; });
    for (; at != days.end() && at->day < today; ++at)
    {
        figures.written = SaturatingAdd(figures.written, at->written);
        figures.writtenAligned = SaturatingAdd(figures.writtenAligned, at->writtenAligned);
        ++figures.monitoredDays;
    }
    if (figures.monitoredDays > 0)
        figures.averagePerDay = figures.written / static_cast<uint64_t>(figures.monitoredDays);
    figures.perDayText = FormatSize(figures.averagePerDay);
    // The main window's life for a rate per day, fed with the calendar days' average.
    figures.lifeText = figures.averagePerDay != 0 ? FormatLife(lifeBudget / figures.averagePerDay)
                                                  : std::wstring(L"Calculating");
    return figures;
}

std::wstring FormatAverageSentence(const CQRangeFigures& figures)
{
    const std::wstring days = std::to_wstring(figures.monitoredDays) + L" of the " +
                              std::to_wstring(figures.pastDays) + L" days before today were monitored";
    if (figures.monitoredDays == 0)
        return L"Average per monitored day: none yet (" + days + L")";
    return L"Average per monitored day: " + figures.perDayText + L" (" + days + L")";
}

std::wstring FormatLifeSentence(const CQRangeFigures& figures, const wchar_t* capacityName)
{
    return std::wstring(L"Approx ssd life at that rate, for ") + capacityName + L": " + figures.lifeText;
}
