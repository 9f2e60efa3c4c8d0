// A Win32 thread running one function, joined with a time limit so that a deadlock fails a test
// instead of hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

class WorkerThread
{
public:
    explicit WorkerThread(std::function<void()> work);
    // Waits for the thread unless an earlier Join timed out (then the thread is abandoned).
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // True when the thread has ended within the time.
    bool Join(DWORD timeoutMilliseconds = 30000);
    HANDLE Handle() const { return m_hThread; }

private:
    static DWORD WINAPI Run(LPVOID parameter);

    std::shared_ptr<std::function<void()>> m_work;
    HANDLE m_hThread = nullptr;
    bool m_abandoned = false;
};
