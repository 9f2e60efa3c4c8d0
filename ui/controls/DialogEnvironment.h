// What the dialog framework needs from the application context, behind two functions so that the
// framework does not depend on how the context is built.
#pragma once

#include <windows.h>

// The application icon (icon resource 128), loaded on first use and kept for the life of the process.
// Null when the resource is missing.
HICON GetApplicationIcon();

// The "m_boolTrayIcon" setting: when on, a minimised main window hides so that only the tray icon remains.
BOOL IsTrayIconOnly();

// Sets the value IsTrayIconOnly returns, for tests.
void SetTrayIconOnlyForTest(BOOL trayIconOnly);
