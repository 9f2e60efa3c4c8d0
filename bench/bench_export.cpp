// Figures of the CSV export: how long a tree of about 1,000,000 items takes to export, and how long a
// thread that takes the data lock per write, as the processing thread does, had to wait for it at most
// meanwhile. Prints figures only; nothing here passes or fails.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "data/Process.h"
#include "data/TreeItemFolder.h"
#include "data/export/CsvExport.h"

namespace
{
constexpr int kFolders = 999;
constexpr int kFilesPerFolder = 1000;
constexpr int kProcesses = 8;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    return now;
}

struct Data
{
    CQCriticalSection lock;
    CQTreeItemFolder root;
    CQPtrAutoArray<CQProcess> processes;
};

// One drive, its folders and their files, each file written once by one of a few processes.
void Build(Data& data)
{
    for (int p = 0; p < kProcesses; ++p)
    {
        CQProcess* process = new CQProcess;
        process->m_csProcessName = L"process" + std::to_wstring(p) + L".exe";
        process->m_dwordIndex = static_cast<uint32_t>(p);
        data.processes.Add(process);
    }
    CQTreeItemFolder* drive = static_cast<CQTreeItemFolder*>(data.root.AddFileChild(L"C:", 0));
    for (int f = 0; f < kFolders; ++f)
    {
        CQTreeItemFolder* folder =
            static_cast<CQTreeItemFolder*>(drive->AddFileChild(L"folder" + std::to_wstring(f), 0));
        for (int i = 0; i < kFilesPerFolder; ++i)
        {
            CQTreeItem* file = folder->AddFileChild(L"file" + std::to_wstring(i) + L".dat", 1);
            file->AddWrite(4096 + static_cast<uint64_t>(i), data.processes[(f + i) % kProcesses]);
        }
    }
}

// Takes the lock once per simulated write, adding a file now and then, until told to stop; keeps the
// longest wait for the lock.
struct Writer
{
    Data* data = nullptr;
    CQTreeItemFolder* growing = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<double> longestWait{0};
    std::atomic<uint64_t> writes{0};
    // Every wait for the lock while `measuring` is set, in seconds.
    std::atomic<bool> measuring{false};
    std::vector<double> waits;

    static DWORD WINAPI Run(LPVOID parameter)
    {
        Writer* writer = static_cast<Writer*>(parameter);
        while (!writer->stop.load())
        {
            const LARGE_INTEGER before = Now();
            {
                CQLock lock(writer->data->lock);
                const double waited = Seconds(before, Now());
                if (waited > writer->longestWait.load())
                    writer->longestWait.store(waited);
                if (writer->measuring.load() && writer->waits.size() < writer->waits.capacity())
                    writer->waits.push_back(waited);
                const uint64_t count = writer->writes.load();
                if (count % 64 == 0)
                    writer->growing->AddFileChild(L"new" + std::to_wstring(count) + L".tmp", 1);
                writer->growing->AddWrite(512, writer->data->processes[0]);
            }
            writer->writes.fetch_add(1);
            // About the pace of a busy disk: a write every 50 microseconds or so.
            for (volatile int spin = 0; spin < 2000; ++spin)
            {
            }
        }
        return 0;
    }
};

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes))
        return 0;
    return (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
}

void Report(const char* title, const CQExportResult& result, double seconds, const std::wstring& path)
{
    std::printf("%s: outcome %d, %llu rows in %.3f s (%.0f rows/s), %.1f MiB, longest slice under the lock "
                "%.3f ms\n",
                title, static_cast<int>(result.m_outcome),
                static_cast<unsigned long long>(result.m_qwordRows), seconds,
                static_cast<double>(result.m_qwordRows) / seconds,
                static_cast<double>(FileSize(path)) / (1024.0 * 1024.0),
                static_cast<double>(result.m_qwordLongestSliceMicroseconds) / 1000.0);
}
} // namespace

int main()
{
    Data data;
    data.lock.Init();
    LARGE_INTEGER start = Now();
    Build(data);
    std::printf("tree of %d items built in %.2f s\n", 1 + kFolders + kFolders * kFilesPerFolder,
                Seconds(start, Now()));

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"tavrello-bench-export.csv";

    // Alone.
    CQExportSource source;
    source.m_pLock = &data.lock;
    source.m_pRoot = &data.root;
    source.m_pProcesses = &data.processes;
    {
        CQExportProgress progress;
        start = Now();
        const CQExportResult result = ExportTreeAsCsv(source, path, progress);
        Report("export alone", result, Seconds(start, Now()), path);
    }

    // With a writer taking the lock all the time, as the processing thread does under load.
    Writer writer;
    writer.data = &data;
    writer.waits.reserve(4000000);
    {
        CQLock lock(data.lock);
        writer.growing = static_cast<CQTreeItemFolder*>(
            static_cast<CQTreeItemFolder*>(data.root.m_arrChildren[0])->AddFileChild(L"growing", 0));
    }
    HANDLE thread = CreateThread(nullptr, 0, Writer::Run, &writer, 0, nullptr);
    Sleep(200);
    const uint64_t writesBefore = writer.writes.load();
    const double waitBefore = writer.longestWait.load();
    writer.measuring.store(true);
    {
        CQExportProgress progress;
        start = Now();
        const CQExportResult result = ExportTreeAsCsv(source, path, progress);
        Report("export beside a writer", result, Seconds(start, Now()), path);
    }
    writer.measuring.store(false);
    writer.stop.store(true);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::printf(
        "writer: %llu lock takes during the export, longest wait for the lock %.3f ms (%.3f ms before "
        "the export began)\n",
        static_cast<unsigned long long>(writer.writes.load() - writesBefore),
        writer.longestWait.load() * 1000.0, waitBefore * 1000.0);
    // A thread preempted while it holds the lock makes the other wait for the scheduler, not for the
    // export's work: the spread of the waits tells the two apart.
    std::vector<double>& waits = writer.waits;
    std::sort(waits.begin(), waits.end());
    if (!waits.empty())
    {
        auto at = [&](double share)
        { return waits[static_cast<size_t>(share * (waits.size() - 1))] * 1000.0; };
        auto over = [&](double limit)
        { return static_cast<size_t>(waits.end() - std::upper_bound(waits.begin(), waits.end(), limit)); };
        std::printf(
            "writer's waits during the export: median %.4f ms, 99%% %.3f ms, 99.9%% %.3f ms, max %.3f ms; "
            "%zu of %zu over 1 ms, %zu over 5 ms\n",
            at(0.5), at(0.99), at(0.999), waits.back() * 1000.0, over(0.001), waits.size(), over(0.005));
    }
    DeleteFileW(path.c_str());
    return 0;
}
