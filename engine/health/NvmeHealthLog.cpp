#include "engine/health/NvmeHealthLog.h"

#include "engine/health/DiskReading.h"
#include "engine/health/LittleEndian.h"

namespace
{
// Field offsets of the log page (NVM Express Base Specification, SMART / Health Information).
constexpr size_t kCriticalWarning = 0;
constexpr size_t kCompositeTemperature = 1;
constexpr size_t kAvailableSpare = 3;
constexpr size_t kSpareThreshold = 4;
constexpr size_t kPercentageUsed = 5;
constexpr size_t kDataUnitsRead = 32;
constexpr size_t kDataUnitsWritten = 48;
constexpr size_t kPowerOnHours = 128;
constexpr int kZeroCelsiusKelvin = 273;
} // namespace

bool ParseNvmeHealthLog(const uint8_t* page, size_t length, CQDiskReading& reading)
{
    if (page == nullptr || length < kNvmeHealthBytesRead)
        return false;
    reading.source = CQHealthSource::nvme;
    reading.criticalWarning = page[kCriticalWarning];
    const uint16_t kelvin = ReadU16(page + kCompositeTemperature);
    if (kelvin != 0)
        reading.temperature = static_cast<int32_t>(kelvin) - kZeroCelsiusKelvin;
    reading.availableSpare = page[kAvailableSpare];
    reading.spareThreshold = page[kSpareThreshold];
    reading.percentUsed = page[kPercentageUsed];
    reading.wearFromAttribute = false;
    reading.hostBytesRead = MultiplySaturated(ReadU128Saturated(page + kDataUnitsRead), kNvmeDataUnitBytes);
    reading.hostBytesWritten =
        MultiplySaturated(ReadU128Saturated(page + kDataUnitsWritten), kNvmeDataUnitBytes);
    reading.powerOnHours = ReadU128Saturated(page + kPowerOnHours);
    return true;
}
