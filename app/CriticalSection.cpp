#include "app/CriticalSection.h"

void CQCriticalSection::Init()
{
    if (m_boolInitialized)
        return;
    InitializeCriticalSection(&m_cs);
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
