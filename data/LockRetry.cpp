#include "data/LockRetry.h"

namespace
{
const DWORD kWaitsMs[] = {100, 200, 400, 800, 1500, 2000};
} // namespace

bool IsBriefLock(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

DWORD RetryWhileLocked(const std::function<DWORD()>& attempt)
{
    DWORD result = attempt();
    for (DWORD wait : kWaitsMs)
    {
        if (!IsBriefLock(result))
            break;
        Sleep(wait);
        result = attempt();
    }
    return result;
}
