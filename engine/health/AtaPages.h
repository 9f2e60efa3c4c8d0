// The ATA data a SATA drive returns, taken apart as untrusted input: IDENTIFY DEVICE, the Device
// Statistics log (log address 04h) and SMART READ DATA. Pure functions over the bytes returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kAtaSectorBytes = 512;

struct CQAtaIdentity
{
    std::wstring model;    // words 27-46
    std::wstring serial;   // words 10-19
    std::wstring firmware; // words 23-26
    // Bytes per logical sector: 512 unless words 106 and 117-118 say otherwise; 0 when they hold a size
    // that no drive has (the data is then not trusted for byte counts).
    uint32_t logicalSectorSize = 512;
    bool solidState = false; // word 217 = 1
};

// False when fewer than 512 bytes came, or when the integrity word (255) carries its signature and the
// checksum does not match.
bool ParseAtaIdentify(const uint8_t* data, size_t length, CQAtaIdentity& identity);

// Page 00h of the Device Statistics log: the numbers of the supported pages. False when the page is short
// or its header names another page.
bool ParseSupportedStatisticsPages(const uint8_t* page, size_t length, std::vector<uint8_t>& pages);

// What pages 01h (General Statistics), 05h (Temperature) and 07h (Solid State Device Statistics) give. A
// statistic counts only when its flags say it is supported and its value valid.
struct CQDeviceStatistics
{
    std::optional<uint64_t> sectorsWritten; // 01h / 18h Logical Sectors Written
    std::optional<uint64_t> sectorsRead;    // 01h / 28h Logical Sectors Read
    std::optional<uint64_t> powerOnHours;   // 01h / 10h
    std::optional<int32_t> temperature;     // 05h / 08h Current Temperature, degrees Celsius
    std::optional<uint32_t> percentUsed;    // 07h / 08h Percentage Used Endurance Indicator
};

// Takes the statistics of one page (01h, 05h or 07h; others are ignored). False when the page is short or
// its header does not name `pageNumber`.
bool ApplyStatisticsPage(const uint8_t* page, size_t length, uint8_t pageNumber,
                         CQDeviceStatistics& statistics);

struct CQSmartAttribute
{
    uint8_t id = 0;
    uint8_t normalized = 0;
    uint8_t worst = 0;
    uint64_t raw = 0; // 48 bits
};

// The attribute table of SMART READ DATA (30 entries of 12 bytes from byte 2); empty slots (id 0) are left
// out. Empty when fewer than 512 bytes came.
std::vector<CQSmartAttribute> ParseSmartAttributes(const uint8_t* data, size_t length);
