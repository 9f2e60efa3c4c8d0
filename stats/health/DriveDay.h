// One row of the drive history: a drive's last reading of a day, as "Drive History.csv" keeps it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/health/DiskReading.h"

struct CQDriveDay
{
    int32_t day = 0; // DayNumber.h
    uint32_t disk = 0;
    std::wstring model;
    std::wstring serial;
    std::optional<uint64_t> written; // host bytes
    std::optional<uint64_t> read;
    std::optional<uint32_t> percentUsed;
    std::optional<uint64_t> powerOnHours;
    std::optional<int32_t> temperature; // degrees Celsius
    CQHealthSource source = CQHealthSource::none;
};

// What names a drive across days and runs: its serial, or without one its model and disk number.
std::wstring DriveIdentity(const std::wstring& model, const std::wstring& serial, uint32_t disk);
std::wstring DriveIdentity(const CQDriveDay& row);
std::wstring DriveIdentity(const CQDiskReading& reading);

// The row a reading gives for `day`; false when the reading holds no figure to keep.
bool DriveDayFromReading(int32_t day, const CQDiskReading& reading, CQDriveDay& row);
