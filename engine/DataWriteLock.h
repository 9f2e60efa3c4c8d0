// The data lock as a writer of the collected data takes it. While a save copies the data (without the
// lock, so that the window's reads of the tree go on), writers wait here: for the save's thread, never for
// the window's. Every code that changes the tree, the processes or the written totals takes this one;
// readers take the data lock itself. A writer must not already hold the data lock as a reader.
#pragma once

#include <windows.h>

class CQMonitor;

class CQDataWriteLock
{
public:
    explicit CQDataWriteLock(CQMonitor& monitor);
    ~CQDataWriteLock();
    CQDataWriteLock(const CQDataWriteLock&) = delete;
    CQDataWriteLock& operator=(const CQDataWriteLock&) = delete;

private:
    CQMonitor& m_monitor;
    BOOL m_boolEntered = 0;
};

// Held by a save while it copies the data: from its construction on no writer gets the data lock, until
// it is destroyed. Readers are not held up.
class CQDataCopyGuard
{
public:
    explicit CQDataCopyGuard(CQMonitor& monitor);
    ~CQDataCopyGuard();
    CQDataCopyGuard(const CQDataCopyGuard&) = delete;
    CQDataCopyGuard& operator=(const CQDataCopyGuard&) = delete;

private:
    CQMonitor& m_monitor;
};
