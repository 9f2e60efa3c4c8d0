// Figures of the processing thread and the saved data file: the whole process's memory per item after a
// million new paths, queued entries per second on seen and on new paths, and the time to save and load a
// tree of about a million items. Prints figures only.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Counters.h"
#include "data/TreeArena.h"
#include "engine/Monitor.h"

#include "ProcessingTree.h"
#include "support/MemoryUse.h"

using processing_tree::Seconds;

namespace
{
// GetFileAttributesW on resolved paths of the same kind that were never seen (the item lookup calls it
// once for each new path): its mean cost in seconds a call.
double FileAttributesCost(CQMonitor& monitor, size_t count)
{
    const std::vector<std::wstring> devicePaths = processing_tree::MakePaths(count, 3);
    std::vector<std::wstring> paths(count);
    for (size_t i = 0; i < count; ++i)
        monitor.ResolvePath(devicePaths[i], paths[i]);
    size_t missing = 0;
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    for (const std::wstring& path : paths)
        missing += GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
    QueryPerformanceCounter(&b);
    if (missing != count)
        printf("(%zu of the %zu paths exist)\n", count - missing, count);
    return Seconds(a, b) / static_cast<double>(count);
}

// Everything the process holds for the data (tree, names, caches, queue, heap slack) after the processing
// thread took a million distinct new paths, in batches as a busy machine would send them.
void MeasureMemory(CQSettingsInterface& settings, CQSettingsRunTime& runTime)
{
    const size_t total = processing_tree::kNewPaths + processing_tree::kMorePaths;
    const size_t batch = 20000;
    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    processing_tree::AddDrive(monitor);
    // The heap the bench's own batches of paths take and give back is there before the count starts.
    processing_tree::MakePaths(batch, 7, total);
    const size_t before = CommittedPrivateBytes();
    // The bench's own copy of the paths is made and dropped batch by batch; each batch is numbered on
    // from the last, so every path is new.
    for (size_t done = 0; done < total; done += batch)
    {
        const std::vector<std::wstring> paths = processing_tree::MakePaths(batch, 7, done);
        processing_tree::Queue(monitor, paths, paths.size());
        processing_tree::RunThread(monitor, CounterLoad(monitor.m_stats.m_qwordOperations) + paths.size());
    }
    const size_t after = CommittedPrivateBytes();
    const uint64_t items = CounterLoad(monitor.m_stats.m_qwordFiles);
    printf("whole process after %zu new paths: %llu items, %.1f private bytes per item (%.1f MB)\n", total,
           static_cast<unsigned long long>(items), static_cast<double>(after - before) / items,
           static_cast<double>(after - before) / 1e6);
    const CQTreeArena& arena = monitor.m_root.GetTreeArena();
    printf("  of which the tree's arena: %.1f bytes per item used, %.1f reserved\n",
           static_cast<double>(arena.GetUsedBytes()) / items,
           static_cast<double>(arena.GetReservedBytes()) / items);
}

// The program loads its data right after it starts: LoadData in a process that has done nothing else, as
// this program run with "load". Its exit code is the time in milliseconds (0 when the load failed).
int LoadAsAtStart(CQSettingsRunTime& runTime)
{
    CQMonitor loaded;
    loaded.m_pSettingsRunTime = &runTime;
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const BOOL ok = loaded.LoadData();
    QueryPerformanceCounter(&b);
    return ok ? static_cast<int>(Seconds(a, b) * 1000.0 + 0.5) : 0;
}

// Runs this program with "load" and returns its time in seconds, or a negative number.
double LoadInOwnProcess()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" load";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code != 0 ? code / 1000.0 : -1;
}
} // namespace

int main(int argc, char** argv)
{
    CQSettingsInterface settings;
    CQSettingsRunTime runTime;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    runTime.m_csDataFolder = std::wstring(temp) + L"tavrello-bench";
    CreateDirectoryW(runTime.m_csDataFolder.c_str(), nullptr);

    if (argc > 1 && std::string(argv[1]) == "load")
        return LoadAsAtStart(runTime);
    MeasureMemory(settings, runTime);

    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    processing_tree::AddDrive(monitor);

    const size_t fresh = processing_tree::kNewPaths;
    std::vector<std::wstring> paths = processing_tree::MakePaths(fresh, 1);
    processing_tree::Queue(monitor, paths, fresh);
    double s = processing_tree::RunThread(monitor, fresh);
    printf("new paths:  %zu entries in %.3f s = %.0f entries/s\n", fresh, s, fresh / s);
    // Under Wine the file system's answer dominates a new path; what is left is the program's own work.
    const double perEntry = s / static_cast<double>(fresh);
    const double perCall = FileAttributesCost(monitor, 30000);
    printf("GetFileAttributesW: %.1f \xC2\xB5s a call, %.0f%% of new-path time; program's own share %.1f "
           "\xC2\xB5s an entry\n",
           perCall * 1e6, 100.0 * perCall / perEntry, (perEntry - perCall) * 1e6);

    const size_t seen = processing_tree::kSeenEntries;
    processing_tree::Queue(monitor, paths, seen);
    const uint64_t before = monitor.m_stats.m_qwordOperations;
    s = processing_tree::RunThread(monitor, before + seen);
    printf("seen paths: %zu entries in %.3f s = %.0f entries/s\n", seen, s, seen / s);

    // Grow the tree to about a million items for the saved data file.
    std::vector<std::wstring> more = processing_tree::MakePaths(processing_tree::kMorePaths, 2);
    processing_tree::Queue(monitor, more, more.size());
    processing_tree::RunThread(monitor, monitor.m_stats.m_qwordOperations + more.size());
    printf("tree: %llu items\n", static_cast<unsigned long long>(monitor.m_stats.m_qwordFiles));

    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const BOOL saved = monitor.SaveData();
    QueryPerformanceCounter(&b);
    const double saveSeconds = Seconds(a, b);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(monitor.GetDataFilePath().c_str(), GetFileExInfoStandard, &info);
    printf("SaveData: %s in %.3f s, %lu bytes\n", saved ? "ok" : "FAILED", Seconds(a, b), info.nFileSizeLow);

    CQMonitor loaded;
    loaded.m_pSettingsRunTime = &runTime;
    QueryPerformanceCounter(&a);
    const BOOL ok = loaded.LoadData();
    QueryPerformanceCounter(&b);
    printf("LoadData: %s in %.3f s\n", ok ? "ok" : "FAILED", Seconds(a, b));
    // This process has grown and emptied large heaps by now, and its load takes longer than one at the
    // program's start, which is what a user waits for.
    std::vector<double> own;
    for (int i = 0; i < 3; ++i)
        own.push_back(LoadInOwnProcess());
    std::sort(own.begin(), own.end());
    if (own.front() < 0)
        printf("LoadData in a process of its own: FAILED\n");
    else
        printf("LoadData in a process of its own (as at start): median %.3f s of 3, %.2f x SaveData\n",
               own[1], own[1] / saveSeconds);
    printf("LoadData / SaveData: %.2f\n", Seconds(a, b) / saveSeconds);
    DeleteFileW(monitor.GetDataFilePath().c_str());
    RemoveDirectoryW(runTime.m_csDataFolder.c_str());
    return 0;
}
