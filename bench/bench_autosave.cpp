// How long a window stops answering while the collected data is autosaved, with the tree of about a
// million items that bench_processing builds (the same paths). A probe thread sends the window a message
// every millisecond and keeps the longest round trip, first with a window that needs nothing of the
// monitor, then with one that takes the data lock for each message as the files tree view does when it
// paints; for comparison the same with the save on the window's own thread (the session-end save).
// Prints figures only.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Counters.h"
#include "data/TreeStream.h"
#include "engine/Monitor.h"
#include "ProcessingTree.h"

namespace
{
constexpr UINT kProbeMessage = WM_APP + 1;

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(f.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// The paths of bench_processing (a few deep folders with many files each), counted by the processing
// thread.
void Process(CQMonitor& monitor, const std::vector<std::wstring>& paths)
{
    processing_tree::Queue(monitor, paths, paths.size());
    processing_tree::RunThread(monitor, CounterLoad(monitor.m_stats.m_qwordOperations) + paths.size());
}

struct Window
{
    CQMonitor* monitor = nullptr;
    bool takeDataLock = false;
};
Window g_window;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kProbeMessage)
    {
        if (g_window.takeDataLock)
        {
            // Taken and given back at once, as a paint that reads a few items.
            CQLock lock(g_window.monitor->m_lockData);
        }
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Probe
{
    HWND window = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<LONGLONG> longest{0};
    std::atomic<long> count{0};
};

DWORD WINAPI RunProbe(LPVOID parameter)
{
    Probe& probe = *static_cast<Probe*>(parameter);
    while (!probe.stop.load())
    {
        const LONGLONG start = Now();
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(probe.window, kProbeMessage, 0, 0, SMTO_NORMAL, 120000, &answer);
        const LONGLONG took = Now() - start;
        if (took > probe.longest.load())
            probe.longest.store(took);
        probe.count.fetch_add(1);
        Sleep(1);
    }
    return 0;
}

double ThreadCpuMilliseconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t)
    { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

// The copy into memory alone: during an autosave the writers (the processing thread, a clear) wait this
// long. Its processor time is about what it takes on an idle machine.
void MeasureCopy(CQMonitor& monitor)
{
    for (int round = 0; round < 3; ++round)
    {
        CQTreeWriter copy(nullptr);
        const double cpu = ThreadCpuMilliseconds();
        const LONGLONG start = Now();
        {
            CQLock lock(monitor.m_lockData);
            monitor.m_root.Save(copy);
        }
        printf("copy of the tree into memory (writers wait):  %7.0f ms, processor time %7.0f ms, %llu "
               "bytes\n",
               Milliseconds(Now() - start), ThreadCpuMilliseconds() - cpu,
               static_cast<unsigned long long>(copy.GetLength()));
    }
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Runs one save while the probe measures the window; prints the longest round trip.
void Measure(HWND window, CQMonitor& monitor, bool takeDataLock, bool inBackground)
{
    g_window.takeDataLock = takeDataLock;
    Probe probe;
    probe.window = window;
    HANDLE thread = CreateThread(nullptr, 0, RunProbe, &probe, 0, nullptr);
    // Some quiet round trips first, for the figure of an idle window.
    const LONGLONG settle = Now();
    while (Milliseconds(Now() - settle) < 300)
    {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    const double idle = Milliseconds(probe.longest.exchange(0));

    const LONGLONG start = Now();
    BOOL started = 1;
    if (inBackground)
    {
        // What the refresh does when an autosave is due.
        started = monitor.SaveDataInBackground();
        while (monitor.m_backgroundSave.IsRunning())
        {
            Pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
    }
    else
    {
        monitor.SaveData();
    }
    const double total = Milliseconds(Now() - start);
    // The probe's message that waited for a save on this thread is answered now.
    const LONGLONG after = Now();
    while (Milliseconds(Now() - after) < 100)
    {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    probe.stop.store(true);
    while (WaitForSingleObject(thread, 1) == WAIT_TIMEOUT)
        Pump();
    CloseHandle(thread);
    printf("%-34s %-22s save %7.0f ms, window's longest answer %7.1f ms (idle %.1f ms, %ld probes)%s\n",
           inBackground ? "autosave (own thread)" : "save on the window's thread",
           takeDataLock ? "window takes the lock" : "window needs no lock", total,
           Milliseconds(probe.longest.load()), idle, probe.count.load(), started ? "" : " NOT STARTED");
}
} // namespace

int main()
{
    CQSettingsInterface settings;
    CQSettingsRunTime runTime;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    runTime.m_csDataFolder = std::wstring(temp) + L"tavrello-bench-autosave";
    CreateDirectoryW(runTime.m_csDataFolder.c_str(), nullptr);

    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    processing_tree::AddDrive(monitor);
    Process(monitor, processing_tree::MakePaths(300000, 1));
    Process(monitor, processing_tree::MakePaths(700000, 2));
    printf("tree: %llu items\n", static_cast<unsigned long long>(monitor.m_stats.m_qwordFiles));

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavrelloAutosaveBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    g_window.monitor = &monitor;

    MeasureCopy(monitor);
    Measure(window, monitor, false, true);
    Measure(window, monitor, true, true);
    Measure(window, monitor, false, false);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(monitor.GetDataFilePath().c_str(), GetFileExInfoStandard, &info);
    printf("saved file: %llu bytes\n",
           (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);

    DestroyWindow(window);
    DeleteFileW(monitor.GetDataFilePath().c_str());
    RemoveDirectoryW(runTime.m_csDataFolder.c_str());
    return 0;
}
