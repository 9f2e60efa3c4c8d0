// Host writes and wear from a SATA drive's vendor SMART attributes, used only where the drive has no Device
// Statistics log. Their units differ by maker and even by model, so a counter is converted only for the
// makers whose unit is known; otherwise it is kept raw and shown as it stands, never converted by guess.
#pragma once

#include <string>
#include <vector>

#include "engine/health/AtaPages.h"

struct CQDiskReading;

// Known units:
//  - 246 on Crucial and Micron drives: 512-byte sectors;
//  - 241 on Intel drives and the Toshiba HK4R: 32 MiB; on Kingston and SanDisk consumer drives: GiB.
// Wear: 100 minus the normalized value of 177 (Samsung), 233 (Intel), 202 (Crucial, Micron) or 231 (any).
// Fills the reading's source, host bytes written or raw counter, and wear; leaves what it cannot tell.
void ApplyVendorAttributes(const std::wstring& model, const std::vector<CQSmartAttribute>& attributes,
                           CQDiskReading& reading);
