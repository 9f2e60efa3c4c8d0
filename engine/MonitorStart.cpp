// Bringing the monitor to life (saved data, driver service, port, worker threads) and taking it down.
#include <windows.h>

#include "app/ItemHandOver.h"
#include "app/Log.h"
#include "data/Error.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "engine/PortRequest.h"

namespace
{

// The filter manager reports failures as HRESULTs without touching the last error; the failure report
// reads the last error, so it gets the Win32 code inside the HRESULT (or the HRESULT itself).
void SetLastErrorFromResult(HRESULT result)
{
    const DWORD code = HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<DWORD>(HRESULT_CODE(result))
                                                                  : static_cast<DWORD>(result);
    SetLastError(code);
}

// Creates one worker thread with the monitor as its argument; null (and the lines) on failure.
HANDLE CreateWorker(LPTHREAD_START_ROUTINE entry, CQMonitor* monitor, const wchar_t* failedLine)
{
    HANDLE thread = CreateThread(nullptr, 0, entry, monitor, 0, nullptr);
    if (thread == nullptr)
    {
        {
            CQError error(L"CreateThread");
        }
        LogLine(failedLine);
    }
    return thread;
}

// Installs and starts the driver service and connects its port.
bool ConnectDriver(CQMonitor& monitor)
{
    if (!monitor.InstallDriverService())
        return false;

    monitor.m_boolThreadsStarted = 0;
    monitor.m_hPort = INVALID_HANDLE_VALUE;
    const HRESULT result = ConnectWrimonPort(&monitor.m_hPort);
    if (FAILED(result))
    {
        SetLastErrorFromResult(result);
        {
            CQError error(L"FilterConnectCommunicationPort");
        }
        LogLine(L"Could not connect to filter");
        return false;
    }
    return true;
}

} // namespace

void CQMonitor::Start()
{
    LoadData();
    // The view locks its own window updates while it fills.
    if (m_root.m_arrChildren.GetSize() > 0 && m_pItemHandOver != nullptr && m_pItemHandOver->IsConnected())
        m_pItemHandOver->FillView(&m_root);

    // The driver comes first; without it the system's file events are the source, and without either the
    // program runs on, showing what was loaded (the failures are logged).
    if (ConnectDriver(*this))
        m_recordSource = RecordSource::Driver;
    else if (StartSystemEvents())
        m_recordSource = RecordSource::SystemEvents;
    else
        return;

    // The clean-up waits for whatever is created from here on.
    m_boolThreadsStarted = 1;
    LogLine(L"Creating logging thread...");
    m_hRetrieveThread = CreateWorker(RetrieveLogRecords, this, L"Creating logging thread FAILED");
    LogLine(L"Creating processing thread...");
    m_hProcessThread = CreateWorker(ProcessLogRecords, this, L"Creating processing thread FAILED");
}

void CQMonitor::CleanUp()
{
    RecordAndDetachDrives();
    ShutDown();
}

void CQMonitor::ShutDown()
{
    LogLine(L"Cleaning up...");
    CounterStore(m_boolStop, LONG(1));
    if (m_boolThreadsStarted)
    {
        // Both threads see the stop flag within one pass; a thread that ended on its own is waited for too.
        HANDLE* threads[] = {&m_hRetrieveThread, &m_hProcessThread};
        for (HANDLE* thread : threads)
        {
            if (*thread != nullptr)
                WaitForSingleObject(*thread, INFINITE);
        }
        for (HANDLE* thread : threads)
        {
            if (*thread != nullptr)
                CloseHandle(*thread);
            *thread = nullptr;
        }
        if (m_hPort != INVALID_HANDLE_VALUE && m_hPort != nullptr)
            CloseHandle(m_hPort);
        m_hPort = INVALID_HANDLE_VALUE;
    }
    // The session of system events outlives the threads that read it.
    StopSystemEvents();
    m_recordSource = RecordSource::None;
    RemoveDriverService();
    SaveData();
}
