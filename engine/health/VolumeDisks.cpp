#include "engine/health/VolumeDisks.h"

#include <winioctl.h>

#include <algorithm>
#include <cstddef>

#include "engine/health/DiskDevice.h"
#include "engine/health/LittleEndian.h"

static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) == 8, "Extents");
static_assert(sizeof(DISK_EXTENT) == 24, "DISK_EXTENT");
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == 4, "DeviceNumber");

namespace
{
// Room for the extents of a volume over many disks.
constexpr size_t kMaxExtents = 64;
} // namespace

std::vector<uint32_t> ParseExtentDisks(const uint8_t* answer, size_t returned)
{
    std::vector<uint32_t> disks;
    if (returned < offsetof(VOLUME_DISK_EXTENTS, Extents))
        return disks;
    const uint32_t count = ReadU32(answer);
    for (uint32_t i = 0; i < count && i < kMaxExtents; ++i)
    {
        const size_t extent = offsetof(VOLUME_DISK_EXTENTS, Extents) + i * sizeof(DISK_EXTENT);
        if (extent + sizeof(DISK_EXTENT) > returned)
            break;
        const uint32_t disk = ReadU32(answer + extent + offsetof(DISK_EXTENT, DiskNumber));
        if (std::find(disks.begin(), disks.end(), disk) == disks.end())
            disks.push_back(disk);
    }
    return disks;
}

std::vector<uint32_t> DisksOfVolume(const std::wstring& letter, DWORD timeoutMs, HANDLE stopEvent)
{
    CQDiskDevice volume(timeoutMs, stopEvent);
    if (!volume.Open(L"\\\\.\\" + letter, false))
        return {};
    std::vector<uint8_t> answer(sizeof(STORAGE_DEVICE_NUMBER));
    DWORD returned = 0;
    if (volume.Control(IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, answer, returned) ==
            CQDiskDevice::Outcome::done &&
        returned >= sizeof(STORAGE_DEVICE_NUMBER) && ReadU32(answer.data()) == FILE_DEVICE_DISK)
        return {ReadU32(answer.data() + offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber))};
    if (!volume.IsAnswering())
        return {};
    answer.assign(offsetof(VOLUME_DISK_EXTENTS, Extents) + kMaxExtents * sizeof(DISK_EXTENT), 0);
    if (volume.Control(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, {}, answer, returned) !=
        CQDiskDevice::Outcome::done)
        return {};
    return ParseExtentDisks(answer.data(), returned);
}
