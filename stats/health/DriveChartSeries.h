// A drive's own host writes as a series of the write history chart: the drives to choose from, named as
// the Drive Health window names them, and each bar's figure from the drive's bytes per day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/health/DriveHistory.h"
#include "stats/history/HistoryBars.h"

struct CQDriveChoice
{
    std::wstring identity; // DriveIdentity
    std::wstring title;    // "Disk 0, Samsung SSD 970 EVO Plus 1TB, serial S4EWNX0N123456"
};

// The drives the history knows, in the order they first appear, each named after its latest row.
std::vector<CQDriveChoice> DriveChoices(const CQDriveHistory& history);

// Sets each bar's driveWritten to the sum of `days` (any order) over the bar's days; a bar for none of whose
// days there is a figure gets none. Bars are consecutive, oldest first, as GroupIntoBars makes them.
void AddDriveHostBytes(std::vector<CQChartBar>& bars, const std::vector<CQDriveHostDay>& days);
