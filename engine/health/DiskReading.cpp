#include "engine/health/DiskReading.h"

namespace
{
struct SourceName
{
    CQHealthSource source;
    const wchar_t* name;
};
constexpr SourceName kSourceNames[] = {
    {CQHealthSource::none, L""},
    {CQHealthSource::nvme, L"nvme"},
    {CQHealthSource::devstats, L"devstats"},
    {CQHealthSource::attr241, L"attr241"},
    {CQHealthSource::attr246, L"attr246"},
};

// STORAGE_BUS_TYPE values, in the order winioctl.h numbers them.
constexpr const wchar_t* kBusNames[] = {
    L"unknown",        L"SCSI",  L"ATAPI", L"ATA",  L"1394", L"SSA", L"Fibre",   L"USB",
    L"RAID",           L"iSCSI", L"SAS",   L"SATA", L"SD",   L"MMC", L"virtual", L"file-backed virtual",
    L"Storage Spaces", L"NVMe",  L"SCM",   L"UFS"};
} // namespace

const wchar_t* HealthSourceName(CQHealthSource source)
{
    for (const SourceName& entry : kSourceNames)
    {
        if (entry.source == source)
            return entry.name;
    }
    return L"";
}

bool ParseHealthSourceName(const std::wstring& name, CQHealthSource& source)
{
    for (const SourceName& entry : kSourceNames)
    {
        if (name == entry.name)
        {
            source = entry.source;
            return true;
        }
    }
    return false;
}

std::wstring BusTypeName(uint32_t busType)
{
    if (busType < sizeof(kBusNames) / sizeof(kBusNames[0]))
        return kBusNames[busType];
    return L"bus " + std::to_wstring(busType);
}
