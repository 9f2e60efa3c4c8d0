// Message pumping for window tests that run outside a dialog's modal loop.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches the thread's messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);
// Dispatches messages until `done` is true or `milliseconds` have passed; returns `done`'s last value.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds);
