#include "Volumes.h"

#include <windows.h>

namespace standin
{

bool EqualsNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                                        static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::vector<FixedVolume> ListFixedVolumes()
{
    std::vector<FixedVolume> volumes;
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
    {
        if ((drives & (1u << i)) == 0)
            continue;
        wchar_t root[] = L"A:\\";
        wchar_t device[] = L"A:";
        root[0] = device[0] = static_cast<wchar_t>(L'A' + i);
        if (GetDriveTypeW(root) != DRIVE_FIXED)
            continue;
        wchar_t target[1024];
        if (QueryDosDeviceW(device, target, ARRAYSIZE(target)) == 0 || target[0] == L'\0')
            continue;
        volumes.push_back(FixedVolume{root[0], target});
    }
    return volumes;
}

bool FindVolume(const wchar_t* name, FixedVolume& volume)
{
    if (name == nullptr)
        return false;
    const std::wstring text(name);
    const bool isDosName = (text.size() == 2 || (text.size() == 3 && text[2] == L'\\')) && text[1] == L':';
    for (const FixedVolume& candidate : ListFixedVolumes())
    {
        const bool match =
            isDosName ? towupper(text[0]) == candidate.Letter : EqualsNoCase(text, candidate.DeviceName);
        if (match)
        {
            volume = candidate;
            return true;
        }
    }
    return false;
}

bool IsOnVolume(const std::wstring& devicePath, const std::wstring& volumeDeviceName)
{
    const size_t cch = volumeDeviceName.size();
    return devicePath.size() >= cch && EqualsNoCase(devicePath.substr(0, cch), volumeDeviceName) &&
           (devicePath.size() == cch || devicePath[cch] == L'\\');
}

bool ToDevicePath(const std::vector<FixedVolume>& volumes, const std::wstring& path, std::wstring& devicePath,
                  FixedVolume& volume)
{
    if (path.size() >= 2 && path[1] == L':')
    {
        for (const FixedVolume& candidate : volumes)
        {
            if (towupper(path[0]) == candidate.Letter)
            {
                volume = candidate;
                devicePath = candidate.DeviceName + path.substr(2);
                return true;
            }
        }
        return false;
    }
    for (const FixedVolume& candidate : volumes)
    {
        if (IsOnVolume(path, candidate.DeviceName))
        {
            volume = candidate;
            devicePath = path;
            return true;
        }
    }
    return false;
}

} // namespace standin
