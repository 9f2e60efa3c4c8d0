// The monitor's data lock for the files tree view's reads of the collected tree; nothing to take when
// there is no application context (the view then shows a tree that no other thread changes).
#pragma once

#include "app/AppContext.h"

class CQTreeDataLock
{
public:
    CQTreeDataLock() : m_pLock(g_pAppContext != nullptr ? &g_pAppContext->m_monitor.m_lockData : nullptr)
    {
        if (m_pLock != nullptr)
            m_boolEntered = m_pLock->Enter();
    }
    ~CQTreeDataLock()
    {
        if (m_pLock != nullptr && m_boolEntered)
            m_pLock->Leave();
    }
    CQTreeDataLock(const CQTreeDataLock&) = delete;
    CQTreeDataLock& operator=(const CQTreeDataLock&) = delete;

private:
    CQCriticalSection* m_pLock;
    BOOL m_boolEntered = 0;
};
