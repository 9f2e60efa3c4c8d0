// What the Drive Health window shows of one drive: a row of cells and a few sentences for the selected row.
#pragma once

#include <cstdint>
#include <string>

#include "engine/health/DiskReading.h"
#include "stats/health/DriveBaselines.h"
#include "stats/health/DriveFigures.h"

// Everything known about one drive when it was last read.
struct CQDriveHealthView
{
    CQDiskReading reading;
    // Whether the comparison runs: the drive reports host bytes written.
    bool compared = false;
    CQDriveBaseline baseline;
    uint64_t measuredNow = 0; // what Tavrello had measured on the drive's volumes at the reading
    CQDriveRate rate;
    uint32_t ratedTbw = 0; // 0 for none
};

enum CQDriveHealthColumn
{
    kColumnDrives,
    kColumnModel,
    kColumnCapacity,
    kColumnBus,
    kColumnHostWrites,
    kColumnSinceFirstRead,
    kColumnMeasured,
    kColumnRatio,
    kColumnWear,
    kColumnPowerOn,
    kColumnTemperature,
    kColumnRated,
    kColumnLifeLeft,
    kColumnMethod,
    kColumnNotes,
    kDriveHealthColumns
};

// Column titles and their widths in dialog units.
struct CQDriveHealthColumnInfo
{
    const wchar_t* title;
    int width;
};
extern const CQDriveHealthColumnInfo g_driveHealthColumns[kDriveHealthColumns];

struct CQDriveHealthCells
{
    std::wstring cells[kDriveHealthColumns];
    std::wstring summary; // the selected drive's sentences, one per line
};

CQDriveHealthCells DescribeDrive(const CQDriveHealthView& view);

// The life left as the window and its sentence say it: "7.9 years", "too early", "none left", or "".
std::wstring FormatLifeLeft(const CQLifeLeft& life);
