// The user's options, each field named like the registry value that holds it, and the autostart task.
#pragma once

#include <windows.h>

#include <string>

#include "app/Settings.h"

class CQSettingsRunTime;

// The largest heavy-writing threshold the settings take, in megabytes a minute or an hour.
constexpr int kMaxAlertMegabytes = 1 << 20;

class CQSettingsInterface : public CQSettings
{
public:
    CQSettingsInterface();

    // Writes every value, then creates or deletes the autostart task (app/autostart/); returns 1.
    int Save() override;
    // Reads every value with its default; returns 1.
    int Load() override;

    // The run-time section whose program folder the autostart task runs from (not owned). Without one,
    // Save takes the current directory, which is the program folder once the program has started.
    void LinkRunTime(const CQSettingsRunTime* runTime) { m_pRunTime = runTime; }

    BOOL m_boolCollectProcessesInformation = 1;
    BOOL m_boolAutostartSession = 0;
    BOOL m_boolDoNotLogFiles = 0;
    BOOL m_boolTrayIcon = 0;
    BOOL m_boolStartMinimized = 0;
    BOOL m_boolAutoExpandFolders = 0;
    BOOL m_boolSortTreeByWriteSize = 1;
    int m_intSelectedDiskSize = -1;
    // Minutes between autosaves of the collected data; 0 turns them off.
    int m_intAutosaveMinutes = 60;
    std::wstring m_csLanguage;
    std::wstring m_csSelectedDrives;
    // Heavy-writing alerts: on or off, and the megabytes (of 1024 x 1024 bytes) per minute above which
    // one is shown; 0 turns them off too.
    BOOL m_boolHeavyWriteAlerts = 1;
    int m_intAlertMegabytesPerMinute = 2048;
    // The alert of a steady rate over the last hour: -1 for a rate that would use the chosen SSD
    // capacity's life budget in under five years, 0 off, or megabytes per hour.
    int m_intAlertMegabytesPerHour = -1;

private:
    const CQSettingsRunTime* m_pRunTime = nullptr;
};
