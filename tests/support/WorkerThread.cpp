#include "support/WorkerThread.h"

namespace
{
struct Start
{
    std::shared_ptr<std::function<void()>> work;
};
} // namespace

WorkerThread::WorkerThread(std::function<void()> work)
    : m_work(std::make_shared<std::function<void()>>(std::move(work)))
{
    Start* start = new Start{m_work};
    m_hThread = CreateThread(nullptr, 0, Run, start, 0, nullptr);
    if (!m_hThread)
        delete start;
}

WorkerThread::~WorkerThread()
{
    if (!m_hThread)
        return;
    if (!m_abandoned)
        WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
}

bool WorkerThread::Join(DWORD timeoutMilliseconds)
{
    if (!m_hThread)
        return false;
    bool ended = WaitForSingleObject(m_hThread, timeoutMilliseconds) == WAIT_OBJECT_0;
    m_abandoned = !ended;
    return ended;
}

DWORD WINAPI WorkerThread::Run(LPVOID parameter)
{
    std::unique_ptr<Start> start(static_cast<Start*>(parameter));
    (*start->work)();
    return 0;
}
