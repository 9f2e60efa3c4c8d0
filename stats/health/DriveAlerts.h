// The conditions of a drive that deserve a tray balloon and a log line, each said once per drive and
// condition in a run: a critical warning bit, available spare below its threshold, and the wear passing
// 80 %, 90 % and 100 %.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/health/DiskReading.h"

class CQDriveAlerts
{
public:
    // The texts of the conditions the reading shows that were not said before. `wearBefore` is the highest
    // wear the drive history held for the drive when the program started: a threshold that wear had passed
    // already is not said again; a drive never read before is told about the highest threshold it passed.
    std::vector<std::wstring> Check(const CQDiskReading& reading, std::optional<uint32_t> wearBefore);

private:
    std::set<std::pair<std::wstring, int>> m_setShown;
};

// "Disk 0 (C:), Samsung SSD 970 EVO Plus 1TB": how alerts and log lines name a drive.
std::wstring DriveTitle(const CQDiskReading& reading);
