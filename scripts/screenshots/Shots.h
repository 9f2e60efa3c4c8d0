// The windows that scripts/screenshots.sh takes pictures of, in the order they are taken.
#pragma once

#include <windows.h>

// How a window is brought up from the main window. Posted, so that the program's modal loops never
// block the driver.
struct ShotOpener
{
    enum Kind
    {
        kNone,     // the main window itself
        kButton,   // BM_CLICK to a button of the main window
        kCommand,  // WM_COMMAND of a menu command to the main window
        kTrayIcon, // the tray icon's callback message with a mouse message
    };
    Kind kind;
    UINT id; // button id, command id, or the tray icon's mouse message
};

constexpr ShotOpener MainWindow()
{
    return {ShotOpener::kNone, 0};
}
constexpr ShotOpener Button(UINT id)
{
    return {ShotOpener::kButton, id};
}
constexpr ShotOpener Command(UINT id)
{
    return {ShotOpener::kCommand, id};
}
constexpr ShotOpener TrayIcon(UINT mouseMessage)
{
    return {ShotOpener::kTrayIcon, mouseMessage};
}

// The title to wait for when the window is a popup menu (which has none).
constexpr const wchar_t* kPopupMenu = nullptr;

enum class ShotFrame
{
    kWindow,         // the window (or menu) alone
    kWithMainWindow, // the main window together with the window, as a menu opened from it looks
    kOnDesktop,      // the window with a margin of the desktop around it, as a menu floats on it
};

struct Shot
{
    const char* file; // PNG file name in the output folder
    ShotOpener opener;
    const wchar_t* title; // title of the top-level window of the program to wait for, or kPopupMenu
    ShotFrame frame = ShotFrame::kWindow;
    const wchar_t* className = L"#32770"; // class of that window when it is not a popup menu
};

extern const Shot kShots[];
extern const int kShotCount;
