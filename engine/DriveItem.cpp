#include "engine/DriveItem.h"

namespace
{
const size_t kVolumePrefixLength = 22; // "\Device\HarddiskVolume"
}

void CQDriveItem::SetVolumeName(const std::wstring& name)
{
    m_csVolumeName = name;
    m_csVolumeSuffix = name.size() > kVolumePrefixLength ? name.substr(kVolumePrefixLength) : name;
}
