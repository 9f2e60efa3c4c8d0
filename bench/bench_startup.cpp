// Start-up and closing of the real tavrello.exe with the million-item saved data file of bench_processing:
// from CreateProcessW until the main window is shown and answers, and from Escape until the process has
// ended (the exit saves the data again). The program's settings and saved data are set aside for the runs
// and put back afterwards, as the main window tests do. Prints figures only; nothing passes or fails.
//
//   bench_startup.exe [runs, 5]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "main/SavedData.h"
#include "main/TavrelloProgram.h"
#include "support/RegistryScratch.h"

#include "ProcessingTree.h"

namespace
{
constexpr DWORD kLimitMs = 300000;
constexpr DWORD kPollMs = 5;

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls `done` every few milliseconds until it is true or the limit has passed.
template <class Done> bool PollUntil(Done done, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done())
    {
        if (GetTickCount64() >= end)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

bool Answers(HWND hwnd)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) != 0;
}

// Grows the tree through the processing thread as bench_processing does and saves it where the program
// reads it; false when the save failed.
bool WriteMillionItemFile()
{
    CQSettingsInterface settings;
    CQSettingsRunTime runTime;
    if (!runTime.CreateDataFolder())
        return false;
    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    processing_tree::AddDrive(monitor);
    const double start = Now();
    processing_tree::Grow(monitor);
    const BOOL saved = monitor.SaveData();
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(monitor.GetDataFilePath().c_str(), GetFileExInfoStandard, &info);
    std::printf("saved data file: %llu items, %lu bytes, made in %.1f s\n",
                static_cast<unsigned long long>(monitor.m_stats.m_qwordFiles), info.nFileSizeLow,
                Now() - start);
    return saved != 0;
}

struct Run
{
    double shown = 0;     // until the main window is visible and answers
    double refreshed = 0; // until the first refresh has written the figures
    double closed = 0;    // from Escape until the process has ended
    bool ok = false;
};

Run StartAndClose()
{
    Run run;
    TavrelloProgram program;
    const double start = Now();
    std::wstring error;
    if (!program.Start(&error))
    {
        std::printf("could not start: %ls\n", error.c_str());
        return run;
    }
    HWND hMain = program.WaitForMainWindow(kLimitMs);
    if (!hMain || !PollUntil([&] { return IsWindowVisible(hMain) && Answers(hMain); }, kLimitMs))
    {
        std::printf("the main window was not shown or did not answer\n");
        return run;
    }
    run.shown = Now() - start;
    if (!program.WaitForFirstRefresh(kLimitMs))
    {
        std::printf("the figures were never refreshed\n");
        return run;
    }
    run.refreshed = Now() - start;

    const double closing = Now();
    program.PostKey(program.FocusOrMainWindow(), VK_ESCAPE);
    const std::optional<DWORD> code = program.WaitForExit(kLimitMs);
    if (!code)
    {
        std::printf("the program did not end after Escape\n");
        return run;
    }
    run.closed = Now() - closing;
    run.ok = *code == 0;
    if (!run.ok)
        std::printf("the program ended with code %lu\n", static_cast<unsigned long>(*code));
    return run;
}

void PrintMedianAndWorst(const char* what, std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    std::printf("%-44s median %.3f s, worst %.3f s (%zu runs)\n", what, median, seconds.back(), n);
}
} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (GetFileAttributesW(TavrelloProgram::ExePath().c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        std::printf("tavrello.exe is not built beside this program\n");
        return 1;
    }
    if (HANDLE other = OpenMutexW(SYNCHRONIZE, FALSE, L"Orvek software Tavrello App"))
    {
        CloseHandle(other);
        std::printf("another Tavrello runs in this Wine prefix; close it first\n");
        return 1;
    }

    // Fresh settings and no earlier data for the runs; both come back at the end.
    TavrelloRegistryScratch registry;
    SavedDataScratch savedData;
    if (!WriteMillionItemFile())
    {
        std::printf("the saved data file could not be written\n");
        return 1;
    }
    // Every run starts from the same bytes: the exit writes the file again.
    const std::wstring copy = SavedDataPath() + L".bench-startup";
    CopyFileW(SavedDataPath().c_str(), copy.c_str(), FALSE);

    std::vector<double> shown, refreshed, closed;
    for (int i = 0; i < runs; ++i)
    {
        CopyFileW(copy.c_str(), SavedDataPath().c_str(), FALSE);
        const Run run = StartAndClose();
        if (!run.ok)
            break;
        std::printf("run %d: shown and answering %.3f s, figures refreshed %.3f s, closed %.3f s\n", i + 1,
                    run.shown, run.refreshed, run.closed);
        std::fflush(stdout);
        shown.push_back(run.shown);
        refreshed.push_back(run.refreshed);
        closed.push_back(run.closed);
    }
    DeleteFileW(copy.c_str());
    if (shown.empty())
        return 1;
    PrintMedianAndWorst("start-up until shown and answering:", shown);
    PrintMedianAndWorst("start-up until the figures are refreshed:", refreshed);
    PrintMedianAndWorst("closing (Escape until the process ended):", closed);
    return 0;
}
