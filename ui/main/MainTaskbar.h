// The message that Explorer broadcasts when its taskbar has been created anew (after Explorer restarted):
// every tray icon is gone then and must be added again.
#pragma once

#include <windows.h>

// The registered "TaskbarCreated" message; 0 when it could not be registered.
UINT TaskbarCreatedMessage();
