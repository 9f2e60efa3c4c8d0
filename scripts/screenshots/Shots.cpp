// The table of screenshots. A new window is one line: the file, how to open it, the title to wait for.
// scripts/screenshots.sh reads the file names from here too, so each line starts with {"<name>.png".
#include "Shots.h"

#include "resources/resource.h"

const Shot kShots[] = {
    {"main-window.png", MainWindow(), L"Tavrello"},
    {"main-menu.png", Button(IDC_MENU), kPopupMenu, ShotFrame::kWithMainWindow},
    {"tray-menu.png", TrayIcon(WM_RBUTTONDOWN), kPopupMenu, ShotFrame::kOnDesktop},
    {"options.png", Button(IDC_OPTIONS), L"Application Options"},
    {"processes.png", Button(IDC_PROCESSES), L"Processes List"},
    {"monitored-drives.png", Command(ID_MENU_SELECT_DRIVES), L"Monitored Drives"},
    {"about.png", Command(ID_TRAY_ABOUT), L"About Tavrello"},
    {"log-viewer.png", Command(ID_MENU_SHOW_LOG), L"Log Viewer"},
    {"write-history.png", Command(ID_MENU_WRITE_HISTORY), L"Write History"},
    {"drive-health.png", Command(ID_MENU_DRIVE_HEALTH), L"Drive Health"},
};
const int kShotCount = static_cast<int>(sizeof(kShots) / sizeof(kShots[0]));
