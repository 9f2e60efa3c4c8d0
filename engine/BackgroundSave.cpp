#include "engine/BackgroundSave.h"

#include "data/Error.h"
#include "engine/Monitor.h"

CQBackgroundSave::~CQBackgroundSave()
{
    Wait();
}

DWORD WINAPI CQBackgroundSave::Run(LPVOID monitor)
{
    static_cast<CQMonitor*>(monitor)->SaveData();
    return 0;
}

BOOL CQBackgroundSave::Start(CQMonitor& monitor)
{
    if (IsRunning())
        return 0;
    Wait();
    // Created suspended, so that the thread's id is known before the save asks for it.
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, Run, &monitor, CREATE_SUSPENDED, &threadId);
    if (thread == nullptr)
    {
        CQError error(L"CQBackgroundSave::CreateThread");
        return 0;
    }
    m_hThread = thread;
    m_dwordThreadId = threadId;
    ResumeThread(thread);
    return 1;
}

void CQBackgroundSave::Wait()
{
    if (m_hThread == nullptr)
        return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_dwordThreadId = 0;
}

BOOL CQBackgroundSave::IsRunning() const
{
    return m_hThread != nullptr && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

BOOL CQBackgroundSave::IsCurrentThread() const
{
    return m_hThread != nullptr && GetCurrentThreadId() == m_dwordThreadId;
}
