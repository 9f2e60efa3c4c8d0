// A Windows critical section that knows whether it exists, and a scoped guard for it.
#pragma once

#include <windows.h>

// Entering and leaving are skipped while the section is not initialised (before Init, after Delete),
// so objects that own one can be used safely during their own construction and destruction.
class CQCriticalSection
{
public:
    CQCriticalSection() = default;
    ~CQCriticalSection() { Delete(); }
    CQCriticalSection(const CQCriticalSection&) = delete;
    CQCriticalSection& operator=(const CQCriticalSection&) = delete;

    // Creates the section; a second call does nothing.
    void Init();
    // Deletes the section if it exists; a second call does nothing.
    void Delete();
    // Returns whether the section was entered (0 when it is not initialised).
    BOOL Enter();
    void Leave();
    BOOL IsInitialized() const { return m_boolInitialized; }

private:
    CRITICAL_SECTION m_cs{};
    BOOL m_boolInitialized = 0;
};

// Holds a critical section from construction to destruction. Leaves only what it really entered, so a
// section initialised in between is not left unowned.
class CQLock
{
public:
    explicit CQLock(CQCriticalSection& cs) : m_cs(cs), m_boolEntered(cs.Enter()) {}
    ~CQLock()
    {
        if (m_boolEntered)
            m_cs.Leave();
    }
    CQLock(const CQLock&) = delete;
    CQLock& operator=(const CQLock&) = delete;

private:
    CQCriticalSection& m_cs;
    BOOL m_boolEntered;
};
