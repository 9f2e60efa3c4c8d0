// Message pumping for window tests that run outside a dialog's modal loop, always with a time limit.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches the thread's messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);
// Dispatches messages until `done` is true or `milliseconds` have passed; returns `done`'s last value.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds);
// The same with a default limit of five seconds.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds = 5000);
