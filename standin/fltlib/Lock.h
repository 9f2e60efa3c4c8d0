// Locks of the stand-in: one for the state inside this process, one named mutex for the registry state
// that all processes share.
#pragma once

#include <windows.h>

namespace standin
{

class CriticalSection
{
public:
    CriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CriticalSectionGuard
{
public:
    explicit CriticalSectionGuard(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~CriticalSectionGuard() { m_cs.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CriticalSection& m_cs;
};

// Serialises the read-modify-write of the registry state across processes.
class SharedStateGuard
{
public:
    SharedStateGuard();
    ~SharedStateGuard();
    SharedStateGuard(const SharedStateGuard&) = delete;
    SharedStateGuard& operator=(const SharedStateGuard&) = delete;

private:
    HANDLE m_hMutex;
};

} // namespace standin
