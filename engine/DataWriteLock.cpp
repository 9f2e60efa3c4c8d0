#include "engine/DataWriteLock.h"

#include "engine/Monitor.h"

CQDataWriteLock::CQDataWriteLock(CQMonitor& monitor) : m_monitor(monitor)
{
    for (;;)
    {
        m_boolEntered = m_monitor.m_lockData.Enter();
        // The flag changes only under the lock: once it is clear here, no copy starts before Leave.
        if (!m_monitor.m_boolSaveCopying || !m_boolEntered)
            return;
        m_monitor.m_lockData.Leave();
        WaitForSingleObject(m_monitor.m_hCopyDone, INFINITE);
    }
}

CQDataWriteLock::~CQDataWriteLock()
{
    if (m_boolEntered)
        m_monitor.m_lockData.Leave();
}

CQDataCopyGuard::CQDataCopyGuard(CQMonitor& monitor) : m_monitor(monitor)
{
    CQLock lock(m_monitor.m_lockData);
    ResetEvent(m_monitor.m_hCopyDone);
    m_monitor.m_boolSaveCopying = 1;
}

CQDataCopyGuard::~CQDataCopyGuard()
{
    CQLock lock(m_monitor.m_lockData);
    m_monitor.m_boolSaveCopying = 0;
    SetEvent(m_monitor.m_hCopyDone);
}
