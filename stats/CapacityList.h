// The SSD capacities offered in the main window and the default choice for the first drive.
#pragma once

#include <cstdint>

struct CQCapacityEntry
{
    const wchar_t* name;
    uint32_t gigabytes; // of 2^30 bytes
};

constexpr int kCapacityCount = 12;
extern const CQCapacityEntry g_capacityList[kCapacityCount];

// Whole-capacity writes that an average TLC drive is assumed to survive.
constexpr uint64_t kLifeBudgetFactor = 600;

uint64_t CapacityBytes(int index);
uint64_t LifeBudgetBytes(int index);

// Index of the smallest listed capacity that is larger than the drive (ratio capacity / size strictly
// above 1.0, the earlier entry winning ties). A drive at least as large as every listed capacity gets
// the largest one.
int ChooseDefaultCapacity(uint64_t driveSizeBytes);

// Row to select after the drive list is known: the stored choice when there is one, otherwise the
// default for the first drive. storedIndex is updated when it was -1. Returns the row.
int SelectCapacityRow(int& storedIndex, bool haveDrive, uint64_t firstDriveSize);
