#include "app/SettingsInterface.h"

#include "app/Log.h"
#include "app/Registry.h"
#include "app/SettingsRunTime.h"
#include "app/autostart/Autostart.h"

namespace
{
const wchar_t kSection[] = L"Interface Settings";
constexpr int kDefaultAutosaveMinutes = 60;
constexpr int kDefaultAlertMegabytesPerMinute = 2048;
constexpr int kAlertHourFromCapacity = -1;

// A threshold outside [lowest, kMaxAlertMegabytes] is said in the log and replaced by the default.
int CheckedThreshold(const wchar_t* name, int value, int lowest, int defaultValue)
{
    if (value >= lowest && value <= kMaxAlertMegabytes)
        return value;
    LogLine(std::wstring(name) + L" " + std::to_wstring(value) + L" is not a number of megabytes from " +
            std::to_wstring(lowest) + L" to " + std::to_wstring(kMaxAlertMegabytes) + L"; " +
            std::to_wstring(defaultValue) + L" is used.");
    return defaultValue;
}
} // namespace

CQSettingsInterface::CQSettingsInterface() : CQSettings(kSection) {}

int CQSettingsInterface::Load()
{
    CQRegistry* store = GetSettingsStore();
    auto getInt = [store](const wchar_t* name, int defaultValue)
    { return store ? store->GetInt(kSection, name, defaultValue) : defaultValue; };
    auto getString = [store](const wchar_t* name, const wchar_t* defaultValue)
    { return store ? store->GetString(kSection, name, defaultValue) : std::wstring(defaultValue); };
    m_intSelectedDiskSize = getInt(L"m_intSelectedDiskSize", -1);
    m_boolCollectProcessesInformation = getInt(L"m_boolCollectProcessesInformation", 1);
    m_boolAutostartSession = getInt(L"m_boolAutostartSession", 0);
    m_boolDoNotLogFiles = getInt(L"m_boolDoNotLogFiles", 0);
    m_boolTrayIcon = getInt(L"m_boolTrayIcon", 0);
    m_boolStartMinimized = getInt(L"m_boolStartMinimized", 0);
    m_boolAutoExpandFolders = getInt(L"m_boolAutoExpandFolders", 0);
    m_boolSortTreeByWriteSize = getInt(L"m_boolSortTreeByWriteSize", 1);
    m_boolHeavyWriteAlerts = getInt(L"m_boolHeavyWriteAlerts", 1);
    m_intAlertMegabytesPerMinute =
        CheckedThreshold(L"m_intAlertMegabytesPerMinute",
                         getInt(L"m_intAlertMegabytesPerMinute", kDefaultAlertMegabytesPerMinute), 0,
                         kDefaultAlertMegabytesPerMinute);
    m_intAlertMegabytesPerHour = CheckedThreshold(
        L"m_intAlertMegabytesPerHour", getInt(L"m_intAlertMegabytesPerHour", kAlertHourFromCapacity),
        kAlertHourFromCapacity, kAlertHourFromCapacity);
    m_intAutosaveMinutes = getInt(L"m_intAutosaveMinutes", kDefaultAutosaveMinutes);
    if (m_intAutosaveMinutes < 0)
    {
        LogLine(L"m_intAutosaveMinutes " + std::to_wstring(m_intAutosaveMinutes) +
                L" is not a number of minutes; " + std::to_wstring(kDefaultAutosaveMinutes) + L" is used.");
        m_intAutosaveMinutes = kDefaultAutosaveMinutes;
    }
    m_csSelectedDrives = getString(L"m_csSelectedDrives", L"");
    m_csLanguage = getString(L"m_csLanguage", L"English");
    return 1;
}

int CQSettingsInterface::Save()
{
    if (CQRegistry* store = GetSettingsStore())
    {
        store->SetInt(kSection, L"m_intSelectedDiskSize", m_intSelectedDiskSize);
        store->SetInt(kSection, L"m_boolCollectProcessesInformation", m_boolCollectProcessesInformation);
        store->SetInt(kSection, L"m_boolAutostartSession", m_boolAutostartSession);
        store->SetInt(kSection, L"m_boolDoNotLogFiles", m_boolDoNotLogFiles);
        store->SetInt(kSection, L"m_boolTrayIcon", m_boolTrayIcon);
        store->SetInt(kSection, L"m_boolStartMinimized", m_boolStartMinimized);
        store->SetInt(kSection, L"m_boolAutoExpandFolders", m_boolAutoExpandFolders);
        store->SetInt(kSection, L"m_boolSortTreeByWriteSize", m_boolSortTreeByWriteSize);
        store->SetInt(kSection, L"m_boolHeavyWriteAlerts", m_boolHeavyWriteAlerts);
        store->SetInt(kSection, L"m_intAlertMegabytesPerMinute", m_intAlertMegabytesPerMinute);
        store->SetInt(kSection, L"m_intAlertMegabytesPerHour", m_intAlertMegabytesPerHour);
        store->SetInt(kSection, L"m_intAutosaveMinutes", m_intAutosaveMinutes);
        store->SetString(kSection, L"m_csSelectedDrives", m_csSelectedDrives.c_str());
        store->SetString(kSection, L"m_csLanguage", m_csLanguage.c_str());
    }
    std::wstring folder = m_pRunTime ? m_pRunTime->m_csProgramFolder : std::wstring();
    if (folder.empty())
        folder = CQSettingsRunTime::CurrentFolder();
    UpdateAutostart(m_boolAutostartSession, folder);
    return 1;
}
