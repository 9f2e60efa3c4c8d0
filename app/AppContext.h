// The one process-wide object that holds what every part of the program shares. Reached through
// g_pAppContext only; the application object creates and destroys it around the main window.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "app/ItemHandOver.h"
#include "app/Log.h"
#include "app/SaveObservers.h"
#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Monitor.h"
#include "stats/health/DriveHealth.h"
#include "stats/history/WriteHistory.h"

class CQTreeCtrl;

class CQAppContext
{
public:
    CQAppContext();
    ~CQAppContext();
    CQAppContext(const CQAppContext&) = delete;
    CQAppContext& operator=(const CQAppContext&) = delete;

    // The application icon (icon resource 128), loaded on first use and kept until the context dies.
    HICON GetAppIcon();

    UINT m_uintShowMessage = 0;
    HIMAGELIST m_imageList = nullptr; // tree images: 0 drive, 1 folder, 2 file
    CQMonitor m_monitor;
    CQSettingsRunTime m_settingsRunTime;
    CQSettingsInterface m_settingsInterface;
    HICON m_hAppIcon = nullptr;
    BOOL m_boolInitializing = 1;
    CQLog m_log;
    CQTreeCtrl* m_pFilesTree = nullptr; // the main window's tree control while it lives; not owned
    // New items on their way from the processing thread to the files tree view.
    CQItemHandOver m_itemHandOver;
    // What was written each day; written after every save of the collected data.
    CQWriteHistory m_writeHistory;
    // The drives' own figures; read at every save of the collected data too.
    CQDriveHealth m_driveHealth;
    // Both of them, told about each save.
    CQSaveObservers m_saveObservers;
};

extern CQAppContext* g_pAppContext;
