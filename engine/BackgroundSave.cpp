#include "engine/BackgroundSave.h"

#include <new>

#include "app/Log.h"
#include "data/Error.h"
#include "engine/Monitor.h"

namespace
{
struct Launch
{
    CQMonitor* monitor;
    std::unique_ptr<CQSaveJob> job;
};
} // namespace

CQBackgroundSave::~CQBackgroundSave()
{
    Wait();
}

DWORD WINAPI CQBackgroundSave::Run(LPVOID parameter)
{
    std::unique_ptr<Launch> launch(static_cast<Launch*>(parameter));
    // Nothing may leave a thread's function: memory that runs out fails the save, as everywhere in it.
    try
    {
        launch->monitor->FinishSave(*launch->job);
    }
    catch (const std::bad_alloc&)
    {
        launch->job.reset();
        LogNoMemoryForSave();
    }
    return 0;
}

BOOL CQBackgroundSave::Start(CQMonitor& monitor, std::unique_ptr<CQSaveJob> job)
{
    if (IsRunning())
        return 0;
    Wait();
    std::unique_ptr<Launch> launch(new Launch{&monitor, std::move(job)});
    HANDLE thread = CreateThread(nullptr, 0, Run, launch.get(), 0, nullptr);
    if (thread == nullptr)
    {
        CQError error(L"CQBackgroundSave::CreateThread");
        return 0;
    }
    launch.release();
    m_hThread = thread;
    return 1;
}

void CQBackgroundSave::Wait()
{
    if (m_hThread == nullptr)
        return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}

BOOL CQBackgroundSave::IsRunning() const
{
    return m_hThread != nullptr && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}
