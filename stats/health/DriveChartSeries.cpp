#include "stats/health/DriveChartSeries.h"

#include <algorithm>

#include "stats/health/DriveAlerts.h"

std::vector<CQDriveChoice> DriveChoices(const CQDriveHistory& history)
{
    std::vector<CQDriveChoice> choices;
    for (const std::wstring& identity : history.Identities())
    {
        const std::vector<CQDriveDay> rows = history.RowsOf(identity);
        if (rows.empty())
            continue;
        const CQDriveDay& latest = rows.back();
        CQDiskReading reading;
        reading.disk = latest.disk;
        reading.model = latest.model;
        std::wstring title = DriveTitle(reading);
        if (!latest.serial.empty())
            title += L", serial " + latest.serial;
        choices.push_back({identity, std::move(title)});
    }
    return choices;
}

void AddDriveHostBytes(std::vector<CQChartBar>& bars, const std::vector<CQDriveHostDay>& days)
{
    for (CQChartBar& bar : bars)
        bar.driveWritten.reset();
    for (const CQDriveHostDay& day : days)
    {
        // The last bar that starts on or before the day.
        auto after =
            std::upper_bound(bars.begin(), bars.end(), day.day,
                             [](int32_t value, const CQChartBar& bar) { return value < bar.sum.day; });
        if (after == bars.begin())
            continue;
        CQChartBar& bar = *(after - 1);
        if (static_cast<int64_t>(day.day) >= static_cast<int64_t>(bar.sum.day) + bar.dayCount)
            continue;
        bar.driveWritten = SaturatingAdd(bar.driveWritten.value_or(0), day.bytes);
    }
}
