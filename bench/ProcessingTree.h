// The tree that bench_processing grows through the processing thread (about a million items, 88 MB saved),
// shared with the programs that need the same saved data file. Header only: every .cpp of bench/ is a
// program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Counters.h"
#include "engine/Monitor.h"

namespace processing_tree
{
// Entries of the three phases: new paths, the same paths seen again, and more new paths.
constexpr size_t kNewPaths = 300000;
constexpr size_t kSeenEntries = 4000000;
constexpr size_t kMorePaths = 700000;

inline double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// Realistic device paths: a few deep folders with many files each; numbered from `first` on.
inline std::vector<std::wstring> MakePaths(size_t count, unsigned seed, size_t first = 0)
{
    std::vector<std::wstring> paths;
    paths.reserve(count);
    const wchar_t* roots[] = {
        L"\\Users\\alice\\AppData\\Local\\Browser\\User Data\\Default\\Cache\\Cache_Data",
        L"\\Windows\\Temp\\build", L"\\ProgramData\\Vendor\\Logs\\archive",
        L"\\Users\\alice\\Documents\\Projects\\tavrello\\build\\objects"};
    for (size_t i = first; i < first + count; ++i)
    {
        wchar_t name[160];
        swprintf(name, 160, L"\\Device\\HarddiskVolume1%ls\\d%03u\\f_%08u_%u.tmp", roots[i % 4],
                 static_cast<unsigned>((i / 4) % 500), static_cast<unsigned>(i), seed);
        paths.push_back(name);
    }
    return paths;
}

// The monitor's only drive: C: on \Device\HarddiskVolume1.
inline void AddDrive(CQMonitor& monitor)
{
    CQDriveItem* drive = new CQDriveItem;
    drive->SetVolumeName(L"\\Device\\HarddiskVolume1");
    drive->m_csLetter = L"C:";
    monitor.m_arrDrives.Add(drive);
}

inline void Queue(CQMonitor& monitor, const std::vector<std::wstring>& paths, size_t entries)
{
    const std::wstring processes[2] = {L"System", L"browser.exe"};
    CQLock lock(monitor.m_lockQueue);
    for (size_t i = 0; i < entries; ++i)
    {
        const std::wstring& file = paths[i % paths.size()];
        const std::wstring& process = processes[i & 1];
        monitor.PushQueueEntryLocked(file.data(), file.size(), process.data(), process.size(), 4,
                                     4096 + (i & 0xFFF));
    }
}

// Runs the processing thread until `until` operations are counted; the seconds it took.
inline double RunThread(CQMonitor& monitor, uint64_t until)
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

// All three phases on a monitor with its drive added, for a program that only needs the tree.
inline void Grow(CQMonitor& monitor)
{
    const std::vector<std::wstring> paths = MakePaths(kNewPaths, 1);
    Queue(monitor, paths, paths.size());
    RunThread(monitor, CounterLoad(monitor.m_stats.m_qwordOperations) + paths.size());
    Queue(monitor, paths, kSeenEntries);
    RunThread(monitor, CounterLoad(monitor.m_stats.m_qwordOperations) + kSeenEntries);
    const std::vector<std::wstring> more = MakePaths(kMorePaths, 2);
    Queue(monitor, more, more.size());
    RunThread(monitor, CounterLoad(monitor.m_stats.m_qwordOperations) + more.size());
}
} // namespace processing_tree
