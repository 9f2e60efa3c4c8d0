// Figures of the processing thread and the saved data file: queued entries per second on seen and on new
// paths, and the time to save and load a tree of about a million items. Prints figures only.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"

namespace
{
double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// Realistic device paths: a few deep folders with many files each.
std::vector<std::wstring> MakePaths(size_t count, unsigned seed)
{
    std::vector<std::wstring> paths;
    paths.reserve(count);
    const wchar_t* roots[] = {
        L"\\Users\\alice\\AppData\\Local\\Browser\\User Data\\Default\\Cache\\Cache_Data",
        L"\\Windows\\Temp\\build", L"\\ProgramData\\Vendor\\Logs\\archive",
        L"\\Users\\alice\\Documents\\Projects\\tavrello\\build\\objects"};
    for (size_t i = 0; i < count; ++i)
    {
        wchar_t name[160];
        swprintf(name, 160, L"\\Device\\HarddiskVolume1%ls\\d%03u\\f_%08u_%u.tmp", roots[i % 4],
                 static_cast<unsigned>((i / 4) % 500), static_cast<unsigned>(i), seed);
        paths.push_back(name);
    }
    return paths;
}

void Queue(CQMonitor& monitor, const std::vector<std::wstring>& paths, size_t entries)
{
    CQLock lock(monitor.m_lockQueue);
    for (size_t i = 0; i < entries; ++i)
    {
        QueueEntry& e = monitor.AppendQueueEntryLocked();
        e.m_csFileName = paths[i % paths.size()];
        e.m_csProcessName = (i & 1) ? L"browser.exe" : L"System";
        e.m_dwordProcessId = 4;
        e.m_qwordBytes = 4096 + (i & 0xFFF);
    }
}

double RunThread(CQMonitor& monitor, uint64_t until)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    CounterStore(monitor.m_boolStop, LONG(0));
    HANDLE thread = CreateThread(nullptr, 0, ProcessLogRecords, &monitor, 0, nullptr);
    while (CounterLoad(monitor.m_stats.m_qwordOperations) < until)
        Sleep(1);
    QueryPerformanceCounter(&end);
    CounterStore(monitor.m_boolStop, LONG(1));
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return Seconds(start, end);
}
} // namespace

int main()
{
    CQSettingsInterface settings;
    CQSettingsRunTime runTime;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    runTime.m_csDataFolder = std::wstring(temp) + L"tavrello-bench";
    CreateDirectoryW(runTime.m_csDataFolder.c_str(), nullptr);

    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    CQDriveItem* drive = new CQDriveItem;
    drive->SetVolumeName(L"\\Device\\HarddiskVolume1");
    drive->m_csLetter = L"C:";
    monitor.m_arrDrives.Add(drive);

    const size_t fresh = 300000;
    std::vector<std::wstring> paths = MakePaths(fresh, 1);
    Queue(monitor, paths, fresh);
    double s = RunThread(monitor, fresh);
    printf("new paths:  %zu entries in %.3f s = %.0f entries/s\n", fresh, s, fresh / s);

    const size_t seen = 4000000;
    Queue(monitor, paths, seen);
    const uint64_t before = monitor.m_stats.m_qwordOperations;
    s = RunThread(monitor, before + seen);
    printf("seen paths: %zu entries in %.3f s = %.0f entries/s\n", seen, s, seen / s);

    // Grow the tree to about a million items for the saved data file.
    std::vector<std::wstring> more = MakePaths(700000, 2);
    Queue(monitor, more, more.size());
    RunThread(monitor, monitor.m_stats.m_qwordOperations + more.size());
    printf("tree: %llu items\n", static_cast<unsigned long long>(monitor.m_stats.m_qwordFiles));

    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const BOOL saved = monitor.SaveData();
    QueryPerformanceCounter(&b);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(monitor.GetDataFilePath().c_str(), GetFileExInfoStandard, &info);
    printf("SaveData: %s in %.3f s, %lu bytes\n", saved ? "ok" : "FAILED", Seconds(a, b), info.nFileSizeLow);

    CQMonitor loaded;
    loaded.m_pSettingsRunTime = &runTime;
    QueryPerformanceCounter(&a);
    const BOOL ok = loaded.LoadData();
    QueryPerformanceCounter(&b);
    printf("LoadData: %s in %.3f s\n", ok ? "ok" : "FAILED", Seconds(a, b));
    DeleteFileW(monitor.GetDataFilePath().c_str());
    RemoveDirectoryW(runTime.m_csDataFolder.c_str());
    return 0;
}
