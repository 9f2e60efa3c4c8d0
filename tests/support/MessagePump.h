// Message pumping for window tests, always with a time limit.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD milliseconds);
// Dispatches messages until done() is true or the time is up; returns done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds = 5000);
