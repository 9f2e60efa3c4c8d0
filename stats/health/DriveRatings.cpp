#include "stats/health/DriveRatings.h"

#include "app/Registry.h"

namespace
{
constexpr size_t kMaxValueNameLength = 64;
} // namespace

std::wstring SerialValueName(const std::wstring& serial)
{
    std::wstring name;
    for (wchar_t c : serial)
    {
        if (name.size() == kMaxValueNameLength)
            break;
        name += (c > 0x20 && c < 0x7F) ? c : L'_';
    }
    return name;
}

uint32_t LoadRatedTbw(const std::wstring& serial)
{
    const std::wstring name = SerialValueName(serial);
    CQRegistry* store = GetSettingsStore();
    if (name.empty() || store == nullptr)
        return 0;
    const int tbw = store->GetInt(kDriveRatingsSection, name.c_str(), 0);
    return tbw > 0 && static_cast<uint32_t>(tbw) <= kMaxRatedTbw ? static_cast<uint32_t>(tbw) : 0;
}

bool StoreRatedTbw(const std::wstring& serial, uint32_t tbw)
{
    const std::wstring name = SerialValueName(serial);
    CQRegistry* store = GetSettingsStore();
    if (name.empty() || store == nullptr || tbw > kMaxRatedTbw)
        return false;
    if (tbw == 0)
        return store->SetString(kDriveRatingsSection, name.c_str(), nullptr) != 0;
    return store->SetInt(kDriveRatingsSection, name.c_str(), static_cast<int>(tbw)) != 0;
}
