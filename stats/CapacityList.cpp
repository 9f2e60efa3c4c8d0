#include "stats/CapacityList.h"

const CQCapacityEntry g_capacityList[kCapacityCount] = {
    {L"32Gb", 32},   {L"40Gb", 40},   {L"64Gb", 64},   {L"80Gb", 80},   {L"120Gb", 120}, {L"160Gb", 160},
    {L"180Gb", 180}, {L"240Gb", 240}, {L"256Gb", 256}, {L"320Gb", 320}, {L"512Gb", 512}, {L"1Tb", 1024},
};

uint64_t CapacityBytes(int index)
{
    if (index < 0 || index >= kCapacityCount)
        index = 0;
    return static_cast<uint64_t>(g_capacityList[index].gigabytes) << 30;
}

uint64_t LifeBudgetBytes(int index)
{
    return CapacityBytes(index) * kLifeBudgetFactor;
}

int ChooseDefaultCapacity(uint64_t driveSizeBytes)
{
    const double size = static_cast<double>(driveSizeBytes);
    int chosen = -1;
    double bestRatio = 0.0;
    for (int i = 0; i < kCapacityCount; ++i)
    {
        // A size of 0 (unknown) makes every ratio infinite; the first entry then wins.
        const double ratio = static_cast<double>(CapacityBytes(i)) / size;
        if (ratio > 1.0 && (chosen < 0 || ratio < bestRatio))
        {
            chosen = i;
            bestRatio = ratio;
        }
    }
    // Nothing listed is larger than the drive: the closest listed capacity is the largest one.
    return chosen < 0 ? kCapacityCount - 1 : chosen;
}

int SelectCapacityRow(int& storedIndex, bool haveDrive, uint64_t firstDriveSize)
{
    if (!haveDrive)
        return 0;
    const int chosen = ChooseDefaultCapacity(firstDriveSize);
    if (storedIndex == -1)
    {
        storedIndex = chosen;
        return chosen;
    }
    // A stored index outside the list (edited by hand) falls back to the first row.
    if (storedIndex < 0 || storedIndex >= kCapacityCount)
        return 0;
    return storedIndex;
}
