// Which physical disks hold a volume: IOCTL_STORAGE_GET_DEVICE_NUMBER on \\.\C:, or for a volume that spans
// disks (where that query fails) the disks of its extents.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// `letter` is "C:". Empty when neither query answers (within timeoutMs each).
std::vector<uint32_t> DisksOfVolume(const std::wstring& letter, DWORD timeoutMs, HANDLE stopEvent);

// The extents' disk numbers of an IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS answer, each once, bounded by the
// bytes returned.
std::vector<uint32_t> ParseExtentDisks(const uint8_t* answer, size_t returned);
