// The volumes the stand-in filter manager knows: Wine's fixed drives under their kernel device names.
#pragma once

#include <string>
#include <vector>

namespace standin
{

struct FixedVolume
{
    wchar_t Letter;          // 'C'
    std::wstring DeviceName; // \Device\HarddiskVolume1, as QueryDosDeviceW names it
};

// Fixed drives in drive-letter order.
std::vector<FixedVolume> ListFixedVolumes();

// Resolves a volume given as "C:", "C:\" or its device name (case-insensitive).
bool FindVolume(const wchar_t* name, FixedVolume& volume);

// Turns a DOS path (C:\Users\x\a.txt) or a device path (\Device\HarddiskVolume1\Users\x\a.txt) on a fixed
// volume of the list into the device path the kernel reports and the volume it lies on.
bool ToDevicePath(const std::vector<FixedVolume>& volumes, const std::wstring& path, std::wstring& devicePath,
                  FixedVolume& volume);

// Whether the device path lies on the volume: the volume's name followed by '\' or nothing.
bool IsOnVolume(const std::wstring& devicePath, const std::wstring& volumeDeviceName);

bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

} // namespace standin
