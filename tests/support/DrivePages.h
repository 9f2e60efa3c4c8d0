// The raw pages drives return, built for tests from the published layouts (NVMe Base Specification 1.4,
// ACS-3) and written byte by byte here, apart from the program's parsers: the NVMe SMART / Health Information
// log, ATA IDENTIFY DEVICE, the Device Statistics log and SMART READ DATA.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drive_pages
{

struct NvmeHealth
{
    uint8_t criticalWarning = 0;
    uint16_t temperatureKelvin = 0; // 0: not reported
    uint8_t availableSpare = 100;
    uint8_t spareThreshold = 10;
    uint8_t percentageUsed = 0;
    uint64_t dataUnitsRead = 0;
    uint64_t dataUnitsWritten = 0;
    uint64_t dataUnitsWrittenHigh = 0; // bits 127:64 of the counter
    uint64_t powerOnHours = 0;
};
// 512 bytes.
std::vector<uint8_t> NvmeHealthPage(const NvmeHealth& fields);

struct AtaIdentify
{
    std::string model;
    std::string serial;
    std::string firmware;
    // 0: words 106 and 117-118 say nothing (512-byte sectors); otherwise the logical sector's bytes.
    uint32_t logicalSectorBytes = 0;
    bool solidState = true;
    // Word 255 with its signature and the checksum that makes the 512 bytes sum to zero.
    bool integrityWord = true;
};
std::vector<uint8_t> AtaIdentifyPage(const AtaIdentify& fields);

// Statistics of pages 01h, 05h and 07h; a page whose statistics are all absent is left out of page 0's list
// (its bytes stay zero).
struct DeviceStatistics
{
    std::optional<uint64_t> logicalSectorsWritten;
    std::optional<uint64_t> logicalSectorsRead;
    std::optional<uint32_t> powerOnHours;
    std::optional<int8_t> temperature;
    std::optional<uint8_t> percentageUsed;
};
// Pages 0 to 7, 512 bytes each.
std::vector<uint8_t> DeviceStatisticsLog(const DeviceStatistics& fields);

struct SmartAttribute
{
    uint8_t id;
    uint8_t normalized;
    uint64_t raw; // 48 bits
};
std::vector<uint8_t> SmartDataPage(const std::vector<SmartAttribute>& attributes);

} // namespace drive_pages
