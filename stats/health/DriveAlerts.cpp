#include "stats/health/DriveAlerts.h"

#include "stats/health/DriveDay.h"

namespace
{
// Keys of the conditions besides the critical warning bits (1 to 5) and the wear thresholds themselves.
constexpr int kSpareCondition = 0;
constexpr uint32_t kWearThresholds[] = {100, 90, 80};

struct WarningBit
{
    int bit;
    const wchar_t* text;
};
// Critical Warning bits of the NVMe health log; bit 0 (spare) is the spare condition.
constexpr WarningBit kWarningBits[] = {
    {1, L"critical warning: a temperature is beyond its threshold"},
    {2, L"critical warning: reliability is degraded by media or internal errors"},
    {3, L"critical warning: the drive has become read-only"},
    {4, L"critical warning: the volatile memory backup has failed"},
    {5, L"critical warning: the persistent memory region has become read-only"},
};
} // namespace

std::wstring DriveTitle(const CQDiskReading& reading)
{
    std::wstring title = L"Disk " + std::to_wstring(reading.disk);
    if (!reading.letters.empty())
        title += L" (" + reading.letters + L")";
    if (!reading.model.empty())
        title += L", " + reading.model;
    return title;
}

std::vector<std::wstring> CQDriveAlerts::Check(const CQDiskReading& reading,
                                               std::optional<uint32_t> wearBefore)
{
    std::vector<std::wstring> texts;
    if (reading.state != CQDiskState::read)
        return texts;
    const std::wstring identity = DriveIdentity(reading);
    const std::wstring title = DriveTitle(reading);
    auto say = [&](int condition, const std::wstring& text)
    {
        if (m_setShown.insert({identity, condition}).second)
            texts.push_back(title + L": " + text);
    };
    const uint8_t warning = reading.criticalWarning.value_or(0);
    const bool spareLow =
        reading.availableSpare && reading.spareThreshold && *reading.availableSpare < *reading.spareThreshold;
    if ((warning & 0x01) != 0 || spareLow)
    {
        std::wstring text = L"the available spare is below its threshold";
        if (reading.availableSpare && reading.spareThreshold)
            text += L" (" + std::to_wstring(*reading.availableSpare) + L" % left, threshold " +
                    std::to_wstring(*reading.spareThreshold) + L" %)";
        say(kSpareCondition, text);
    }
    for (const WarningBit& bit : kWarningBits)
    {
        if (warning & (1u << bit.bit))
            say(bit.bit, bit.text);
    }
    if (reading.percentUsed)
    {
        for (uint32_t threshold : kWearThresholds)
        {
            if (*reading.percentUsed < threshold)
                continue;
            if (!wearBefore || *wearBefore < threshold)
                say(static_cast<int>(threshold), L"its wear has passed " + std::to_wstring(threshold) +
                                                     L" % (" + std::to_wstring(*reading.percentUsed) +
                                                     L" % of its life used)");
            break;
        }
    }
    return texts;
}
