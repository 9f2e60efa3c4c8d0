// What the main window tells the user once after the start when the saved data could not all be used as
// it was: the files set aside or kept, by name, in one message box.
#pragma once

#include <windows.h>

class CQMonitor;

// Called once after the monitor's start; true when there was something to tell.
bool TellAboutSavedDataFiles(HWND owner, const CQMonitor& monitor);
