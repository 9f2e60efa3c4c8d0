// The thread of an autosave: the second half of the monitor's save runs there so that the window stays
// responsive while the data is copied and the file written. One at a time; the other saves wait for it
// before they begin.
#pragma once

#include <windows.h>

#include <memory>

class CQMonitor;
struct CQSaveJob;

class CQBackgroundSave
{
public:
    CQBackgroundSave() = default;
    // Waits for a save still running.
    ~CQBackgroundSave();
    CQBackgroundSave(const CQBackgroundSave&) = delete;
    CQBackgroundSave& operator=(const CQBackgroundSave&) = delete;

    // Finishes the begun save on a new thread; 0 (logged when the system refuses) when it could not
    // start, the job then ended here, or when the last one still runs.
    BOOL Start(CQMonitor& monitor, std::unique_ptr<CQSaveJob> job);
    // Waits until a running save has ended. The caller must hold no monitor lock: the save takes the
    // data lock.
    void Wait();
    BOOL IsRunning() const;

private:
    static DWORD WINAPI Run(LPVOID launch);

    HANDLE m_hThread = nullptr;
};
