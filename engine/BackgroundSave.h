// The thread of an autosave: the monitor's save runs there so that the window stays responsive while
// the file is written. One at a time; the other saves wait for it before they begin.
#pragma once

#include <windows.h>

class CQMonitor;

class CQBackgroundSave
{
public:
    CQBackgroundSave() = default;
    // Waits for a save still running.
    ~CQBackgroundSave();
    CQBackgroundSave(const CQBackgroundSave&) = delete;
    CQBackgroundSave& operator=(const CQBackgroundSave&) = delete;

    // Starts the monitor's SaveData on a new thread; 0 (logged when the system refuses) when it could not
    // start, or when the last one still runs.
    BOOL Start(CQMonitor& monitor);
    // Waits until a running save has ended. The caller must hold no monitor lock: the save takes the
    // data lock.
    void Wait();
    BOOL IsRunning() const;
    // Whether the calling thread is the save's own.
    BOOL IsCurrentThread() const;

private:
    static DWORD WINAPI Run(LPVOID monitor);

    HANDLE m_hThread = nullptr;
    DWORD m_dwordThreadId = 0;
};
