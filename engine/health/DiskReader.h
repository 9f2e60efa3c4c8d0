// Reads one physical disk's identity and health figures with real requests to \\.\PhysicalDriveN: the
// storage descriptor and the size, then for an NVMe drive the SMART / Health Information log (device
// property first, adapter property as the fallback) and for a SATA or ATA drive IDENTIFY, the Device
// Statistics log pages 01h, 05h and 07h, and SMART READ DATA where that log is missing (through ATA
// pass-through, with SMART_RCV_DRIVE_DATA as the fallback). Drives behind USB bridges, RAID and virtual disks
// are "not available through this connection".
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/health/DiskReading.h"

// Each request is bounded by timeoutMs; stopEvent (may be null) ends the reading at once.
CQDiskReading ReadDisk(uint32_t disk, DWORD timeoutMs, HANDLE stopEvent);

constexpr wchar_t kNotAvailableText[] = L"not available through this connection";
