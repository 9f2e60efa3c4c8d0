#include "stats/health/DriveDay.h"

std::wstring DriveIdentity(const std::wstring& model, const std::wstring& serial, uint32_t disk)
{
    if (!serial.empty())
        return serial;
    return model + L" #" + std::to_wstring(disk);
}

std::wstring DriveIdentity(const CQDriveDay& row)
{
    return DriveIdentity(row.model, row.serial, row.disk);
}

std::wstring DriveIdentity(const CQDiskReading& reading)
{
    return DriveIdentity(reading.model, reading.serial, reading.disk);
}

bool DriveDayFromReading(int32_t day, const CQDiskReading& reading, CQDriveDay& row)
{
    if (reading.state != CQDiskState::read)
        return false;
    row = CQDriveDay();
    row.day = day;
    row.disk = reading.disk;
    row.model = reading.model;
    row.serial = reading.serial;
    row.written = reading.hostBytesWritten;
    row.read = reading.hostBytesRead;
    row.percentUsed = reading.percentUsed;
    row.powerOnHours = reading.powerOnHours;
    row.temperature = reading.temperature;
    row.source = reading.hostBytesWritten ? reading.source : CQHealthSource::none;
    return row.written || row.read || row.percentUsed || row.powerOnHours || row.temperature;
}
