// CTavrelloApp: starts the program. It lets only one instance run per session (a second start shows the
// first one's window and ends), creates the settings store and the application context around the main
// window, runs the main window modally and takes everything down again.
#pragma once

#include <windows.h>

// Names both the registered show message and the single-instance mutex.
extern const wchar_t kSingleInstanceName[];

class CTavrelloApp
{
public:
    CTavrelloApp() = default;
    CTavrelloApp(const CTavrelloApp&) = delete;
    CTavrelloApp& operator=(const CTavrelloApp&) = delete;

    // The whole run of the program; returns FALSE in every case, so that the process ends afterwards.
    BOOL InitInstance();
};
