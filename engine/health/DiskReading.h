// What one reading of a physical disk gave: the disk's identity and the figures the drive reports about
// itself. Every figure is optional: a drive reports what it reports, and nothing is made up for the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where the host write counter came from.
enum class CQHealthSource
{
    none,
    nvme,     // the NVMe SMART / Health Information log
    devstats, // the ATA Device Statistics log
    attr241,  // vendor SMART attribute 241 with a known unit
    attr246   // vendor SMART attribute 246 with a known unit
};

// The names "Drive History.csv" uses: "nvme", "devstats", "attr241", "attr246", or "" for none.
const wchar_t* HealthSourceName(CQHealthSource source);
// The source named exactly so; false for any other text (the empty text is none).
bool ParseHealthSourceName(const std::wstring& name, CQHealthSource& source);

enum class CQDiskState
{
    read,         // the drive answered its health queries
    notAvailable, // no health query reaches the drive through this connection (USB, RAID, virtual...)
    noAnswer,     // a request was not answered within its time; the disk is left alone from now on
    cannotOpen    // \\.\PhysicalDriveN could not be opened
};

struct CQDiskReading
{
    uint32_t disk = 0;
    std::wstring letters; // the monitored drive letters on the disk: "C: D:"
    CQDiskState state = CQDiskState::notAvailable;
    // For the log: which queries answered ("device property", "pass-through, READ LOG EXT"), or why none did.
    std::wstring detail;
    // STORAGE_BUS_TYPE; 0 when the descriptor did not come.
    uint32_t busType = 0;
    // As the drive reports them, blanks trimmed.
    std::wstring model;
    std::wstring serial;
    std::wstring firmware;
    uint64_t sizeBytes = 0; // 0 when unknown
    // Calendar seconds of the reading.
    int64_t time = 0;

    CQHealthSource source = CQHealthSource::none;
    std::optional<uint64_t> hostBytesWritten;
    std::optional<uint64_t> hostBytesRead;
    // The drive's estimate of its life used; may exceed 100 (NVMe reports up to 255).
    std::optional<uint32_t> percentUsed;
    // Set when percentUsed is 100 minus a vendor attribute's normalized value, not a standard figure.
    bool wearFromAttribute = false;
    std::optional<uint64_t> powerOnHours;
    std::optional<int32_t> temperature; // degrees Celsius

    // NVMe only.
    std::optional<uint8_t> criticalWarning;
    std::optional<uint8_t> availableSpare;
    std::optional<uint8_t> spareThreshold;

    // A vendor write counter whose unit is not known for this drive: shown as it stands, never converted.
    uint8_t rawWriteAttribute = 0; // 241 or 246; 0 for none
    uint64_t rawWriteValue = 0;
};

// "NVMe", "SATA", "USB"...; "bus 42" for a type without a name.
std::wstring BusTypeName(uint32_t busType);
