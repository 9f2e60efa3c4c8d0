// The endurance a drive is rated for, in terabytes written (TBW, decimal terabytes as makers state them),
// entered per drive in the Drive Health window. Kept by the drive's serial as DWORD values of the settings
// section "Drive Ratings" (beside "Interface Settings"); a drive without a serial cannot keep one.
#pragma once

#include <cstdint>
#include <string>

constexpr wchar_t kDriveRatingsSection[] = L"Drive Ratings";
// Larger ratings are not taken (no drive comes near a billion terabytes).
constexpr uint32_t kMaxRatedTbw = 1000000000;

// The value name for a serial: its printable ASCII characters (others as '_'), at most 64; empty for none.
std::wstring SerialValueName(const std::wstring& serial);

// 0 when the drive has no rating (or an unusable one).
uint32_t LoadRatedTbw(const std::wstring& serial);
// 0 removes the rating; false when the drive has no serial, the rating is too large or the store refuses.
bool StoreRatedTbw(const std::wstring& serial, uint32_t tbw);
