#include "app/CriticalSection.h"

void CQCriticalSection::Init()
{
    if (m_boolInitialized)
        return;
    // The monitor's locks are held for microseconds at a time by threads on other processors: a short
    // spin before the thread sleeps spares both sides a wait and a wake-up in the kernel. (On a single
    // processor the system does not spin.)
    InitializeCriticalSectionAndSpinCount(&m_cs, 4000);
    m_boolInitialized = 1;
}

void CQCriticalSection::Delete()
{
    if (!m_boolInitialized)
        return;
    m_boolInitialized = 0;
    DeleteCriticalSection(&m_cs);
}

BOOL CQCriticalSection::Enter()
{
    if (!m_boolInitialized)
        return 0;
    EnterCriticalSection(&m_cs);
    return 1;
}

void CQCriticalSection::Leave()
{
    if (m_boolInitialized)
        LeaveCriticalSection(&m_cs);
}
