// One local disk volume with a drive letter, as listed from the filter manager.
#pragma once

#include <cstdint>
#include <string>

class CQDriveItem
{
public:
    // Also sets the suffix: the name without "\Device\HarddiskVolume", such as 2.
    void SetVolumeName(const std::wstring& name);

    int32_t m_intInstances = 0; // driver instances on the volume; non-zero means attached
    std::wstring m_csVolumeSuffix;
    std::wstring m_csVolumeName; // such as \Device\HarddiskVolume2
    std::wstring m_csLetter;     // such as C:
    uint64_t m_qwordSize = 0;    // bytes; 0 until read
    int32_t m_intListIndex = -1; // row in the monitored-drives dialog
};
