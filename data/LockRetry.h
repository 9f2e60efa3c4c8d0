// A file that another program holds for a moment (a backup tool, an indexer, a virus scan) fails with a
// sharing or lock violation; that is no reason to count it unreadable.
#pragma once

#include <windows.h>

#include <functional>

bool IsBriefLock(DWORD error);

// Runs `attempt` (which returns NO_ERROR or the system's error) again while it fails with a sharing or
// lock violation, waiting 0.1, 0.2, 0.4, 0.8, 1.5 and 2 s between tries: about five seconds in all.
// Returns the last attempt's result.
DWORD RetryWhileLocked(const std::function<DWORD()>& attempt);
