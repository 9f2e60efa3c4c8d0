// Figures of the record pipeline: counted write records per second from FilterSendMessage through the
// retrieval thread, the record queue and the processing thread to the totals, with full 256 KiB replies
// of records on paths that were already seen. Then the parts alone: the stand-in's request, the reply walk,
// the walk with the queue append, and the processing of queued entries. Last, how long the processing
// thread waits for the queue lock while the replies name processes that no longer exist. Runs against the
// Wine stand-ins (bin\wrimon.sys, and fltlib.dll that scripts/wine-run.sh puts into the prefix's system32)
// and must be started in bin (scripts/wine-run.sh does both). Prints figures only; nothing here passes or
// fails.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "engine/PortRequest.h"
#include "engine/ReplyWalk.h"
#include "engine/RetrievalRecord.h"
#include "engine/WrimonProtocol.h"
#include "support/StandinFeed.h"

namespace
{

// Distinct files the records write to; all of them are in the tree after the warm-up.
constexpr int kPaths = 64;
// Replies of the measured run.
constexpr uint64_t kReplies = 700;

class Stopwatch
{
public:
    Stopwatch()
    {
        QueryPerformanceFrequency(&m_frequency);
        Restart();
    }
    void Restart() { QueryPerformanceCounter(&m_start); }
    double Seconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - m_start.QuadPart) / double(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
};

// One write record as the driver lays it out: header, NUL-terminated name, padded to 8 bytes.
void AppendRecord(std::vector<BYTE>& reply, const std::wstring& name, uint32_t processId, uint32_t bytes)
{
    const size_t cbName = (name.size() + 1) * sizeof(wchar_t);
    const uint32_t length = static_cast<uint32_t>((WrimonHeaderSize + cbName + 7) & ~size_t(7));
    WrimonRecordHeader header = {};
    header.Length = length;
    header.ProcessId = processId;
    header.OperationCode = WrimonOperationWrite;
    header.WriteLength = bytes;
    header.ReadLength = 512;
    const size_t at = reply.size();
    reply.resize(at + length, 0);
    memcpy(&reply[at], &header, sizeof(header));
    memcpy(&reply[at + WrimonHeaderSize], name.c_str(), cbName);
}

// A reply filled with whole records, cycling through the paths.
std::vector<BYTE> BuildReply(const std::wstring& volume, size_t& records, size_t& recordBytes)
{
    std::vector<BYTE> reply;
    records = 0;
    for (;;)
    {
        wchar_t name[160];
        swprintf(name, 160, L"%ls\\Users\\bench\\AppData\\Local\\Temp\\pipeline_%04d.tmp", volume.c_str(),
                 int(records % kPaths));
        std::vector<BYTE> record;
        AppendRecord(record, name, GetCurrentProcessId(), 4096 + static_cast<uint32_t>(records % 3));
        if (reply.size() + record.size() > WrimonReplyBufferSize)
            break;
        reply.insert(reply.end(), record.begin(), record.end());
        recordBytes = record.size();
        ++records;
    }
    return reply;
}

// User and kernel time of a thread so far, in seconds.
double ThreadSeconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return 0;
    const auto value = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(value(kernel) + value(user)) / 1e7;
}

// Waits (with a generous limit) until the monitor has processed `target` entries.
bool WaitForOperations(const CQMonitor& monitor, uint64_t target, int* peakQueue = nullptr)
{
    const ULONGLONG start = GetTickCount64();
    while (CounterLoad(monitor.m_stats.m_qwordOperations) < target)
    {
        if (peakQueue != nullptr && monitor.GetPendingRecords() > *peakQueue)
            *peakQueue = monitor.GetPendingRecords();
        if (GetTickCount64() - start > 120000 || CounterLoad(monitor.m_boolStop) != 0)
            return false;
        Sleep(1);
    }
    return true;
}

void PrintRate(const char* what, double count, double seconds)
{
    std::printf("  %-52s %12.0f records/s  (%.0f ns/record)\n", what, count / seconds, seconds * 1e9 / count);
}

// What the retrieval thread does with `replies` copies of a reply, on a thread of its own.
struct RetrievalRun
{
    CQMonitor* monitor;
    const std::vector<BYTE>* reply;
    int replies;
    volatile LONG done;
};

DWORD WINAPI RetrieveReplies(LPVOID parameter)
{
    RetrievalRun& run = *static_cast<RetrievalRun*>(parameter);
    CQRetrievalBatch batch;
    const ReplyRecordSink onRecord = [&run, &batch](const LogRecordView& record)
    { batch.Add(*run.monitor, record); };
    for (int i = 0; i < run.replies; ++i)
    {
        std::vector<BYTE> copy(*run.reply);
        WalkReply(copy.data(), static_cast<uint32_t>(copy.size()), onRecord, ReplyLogSink());
        batch.Queue(*run.monitor);
    }
    InterlockedExchange(&run.done, 1);
    return 0;
}

// The processing thread's longest wait for the queue lock while every reply names 1,000 processes that no
// longer exist: each of them costs the name lookup a failed open and a process snapshot.
void LockWaitWithVanishedProcesses(CQSettingsInterface& settings, const std::wstring& device)
{
    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    CounterStore(monitor.m_boolRunning, LONG(1));
    std::vector<BYTE> reply;
    for (uint32_t i = 0; i < 1000; ++i)
    {
        wchar_t name[160];
        swprintf(name, 160, L"%ls\\Users\\bench\\vanished_%04u.tmp", device.c_str(), i);
        // Process ids far above any that Wine hands out.
        AppendRecord(reply, name, 0x7FFF0000u + 4 * i, 4096);
    }
    RetrievalRun run{&monitor, &reply, 4, 0};
    std::vector<QueueEntry> entries(64);
    double longest = 0;
    uint64_t taken = 0;
    Stopwatch total;
    HANDLE thread = CreateThread(nullptr, 0, RetrieveReplies, &run, 0, nullptr);
    while (InterlockedCompareExchange(&run.done, 0, 0) == 0 || monitor.GetPendingRecords() != 0)
    {
        {
            // The wait alone, as the processing thread's taking of entries begins with it.
            Stopwatch wait;
            CQLock lock(monitor.m_lockQueue);
            longest = std::max(longest, wait.Seconds());
        }
        const size_t got = monitor.PopQueueEntries(entries.data(), entries.size());
        taken += got;
        // As the processing thread pauses on an empty queue, though shorter, so the lookups get the CPU.
        if (got == 0)
            Sleep(1);
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::printf(
        "Replies naming 1,000 processes that no longer exist (%d replies, %llu records, %.2f s a reply):\n",
        run.replies, (unsigned long long)taken, total.Seconds() / run.replies);
    std::printf("  longest wait of the processing thread for the queue lock: %.1f ms\n", longest * 1e3);
}

// A monitor that is not started, monitoring, with C: on device as its only drive.
void PrepareMonitor(CQMonitor& monitor, CQSettingsInterface& settings, const std::wstring& device)
{
    monitor.m_pSettingsInterface = &settings;
    monitor.m_boolRunning = 1;
    CQDriveItem* drive = new CQDriveItem;
    drive->SetVolumeName(device);
    drive->m_csLetter = L"C:";
    monitor.m_arrDrives.Add(drive);
}

// As the retrieval thread does it, rounds times: the walk gathers a reply's records, one pass under the
// queue lock appends them. reply is walked in place.
void QueueReplies(CQMonitor& monitor, std::vector<BYTE>& reply, int rounds)
{
    CQRetrievalBatch batch;
    const ReplyRecordSink onRecord = [&monitor, &batch](const LogRecordView& record)
    { batch.Add(monitor, record); };
    for (int i = 0; i < rounds; ++i)
    {
        WalkReply(reply.data(), static_cast<uint32_t>(reply.size()), onRecord, ReplyLogSink());
        batch.Queue(monitor);
    }
}

// Runs ProcessLogRecords until the queued entries are processed; the seconds it took.
double ProcessQueued(CQMonitor& monitor)
{
    const uint64_t queued = uint64_t(monitor.GetPendingRecords());
    Stopwatch watch;
    HANDLE thread = CreateThread(nullptr, 0, ProcessLogRecords, &monitor, 0, nullptr);
    WaitForOperations(monitor, queued);
    const double seconds = watch.Seconds();
    CounterStore(monitor.m_boolStop, LONG(1));
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return seconds;
}

// The processing thread alone on `rounds` replies' records queued beforehand on a fresh monitor; records per
// second. Its first records make the items, as the end-to-end run's warm-up did.
double ProcessingAlone(CQSettingsInterface& settings, const std::wstring& device, std::vector<BYTE> reply,
                       int rounds)
{
    CQMonitor monitor;
    PrepareMonitor(monitor, settings, device);
    QueueReplies(monitor, reply, rounds);
    const double queued = double(monitor.GetPendingRecords());
    return queued / ProcessQueued(monitor);
}

// One end-to-end run of kReplies replies through the started monitor.
struct EndToEndRun
{
    uint64_t records = 0;
    double seconds = 0;
    bool finished = false;
    int peakQueue = 0;
    double retrieveCpu = 0;
    double processCpu = 0;
};

EndToEndRun RunEndToEnd(CQMonitor& monitor, const std::wstring& feed, const std::vector<BYTE>& reply,
                        size_t recordsPerReply)
{
    EndToEndRun run;
    const uint64_t before = CounterLoad(monitor.m_stats.m_qwordOperations);
    const uint64_t target = before + kReplies * recordsPerReply;
    AppendToFile(feed, RepeatFeedLine(kReplies, reply));
    // The clock starts with the first record of the run, not with the poll that finds the feed line.
    while (CounterLoad(monitor.m_stats.m_qwordOperations) == before && monitor.GetPendingRecords() == 0)
        Sleep(0);
    Stopwatch watch;
    const double retrieveBefore = ThreadSeconds(monitor.m_hRetrieveThread);
    const double processBefore = ThreadSeconds(monitor.m_hProcessThread);
    run.finished = WaitForOperations(monitor, target, &run.peakQueue);
    run.seconds = watch.Seconds();
    run.retrieveCpu = ThreadSeconds(monitor.m_hRetrieveThread) - retrieveBefore;
    run.processCpu = ThreadSeconds(monitor.m_hProcessThread) - processBefore;
    run.records = CounterLoad(monitor.m_stats.m_qwordOperations) - before;
    return run;
}

} // namespace

int main()
{
    CQLog log;
    SetProgramLog(&log);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t folderName[64];
    swprintf(folderName, 64, L"bench_pipeline_%lu", GetCurrentProcessId());
    const std::wstring folder = std::wstring(temp) + folderName;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring feed = folder + L"\\feed.txt";
    AppendToFile(feed, std::string());
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", feed.c_str());
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);

    CQSettingsInterface settings;
    settings.m_csSelectedDrives = L"C:";
    CQSettingsRunTime runTime;
    runTime.m_csDataFolder = folder;

    wchar_t device[MAX_PATH] = L"";
    QueryDosDeviceW(L"C:", device, MAX_PATH);
    size_t recordsPerReply = 0;
    size_t recordBytes = 0;
    const std::vector<BYTE> reply = BuildReply(device, recordsPerReply, recordBytes);
    std::printf("Reply: %zu bytes, %zu records of %zu bytes on %d paths like %ls\\Users\\bench\\...\n",
                reply.size(), recordsPerReply, recordBytes, kPaths, device);

    // 1. The stand-in's FilterSendMessage alone: a full reply copied out per request.
    {
        CQMonitor probe;
        if (!probe.InstallDriverService())
        {
            std::printf(
                "The Wrimon service cannot be installed; run in bin under Wine with the stand-ins.\n");
            return 1;
        }
        HANDLE port = INVALID_HANDLE_VALUE;
        if (FAILED(ConnectWrimonPort(&port)))
        {
            std::printf("No port.\n");
            probe.RemoveDriverService();
            return 1;
        }
        const uint64_t replies = 400;
        AppendToFile(feed, RepeatFeedLine(replies, reply));
        std::vector<BYTE> buffer(WrimonReplyBufferSize);
        uint64_t got = 0;
        Stopwatch watch;
        std::vector<double> times;
        while (got < replies && watch.Seconds() < 30)
        {
            const double start = watch.Seconds();
            const PortReply result = RequestLogRecords(port, buffer.data(), WrimonReplyBufferSize);
            times.push_back(watch.Seconds() - start);
            if (SUCCEEDED(result.Result) && result.BytesReturned == reply.size())
                ++got;
        }
        std::sort(times.begin(), times.end());
        const double seconds = watch.Seconds();
        CloseHandle(port);
        std::printf("Parts alone:\n");
        PrintRate("stand-in FilterSendMessage (full replies)", double(got * recordsPerReply), seconds);
        if (!times.empty())
            std::printf("    a call: median %.0f us, slowest %.1f ms\n", times[times.size() / 2] * 1e6,
                        times.back() * 1e3);
    }

    // 2. The reply walk alone, with the counted-record check.
    std::vector<BYTE> copy(reply);
    std::vector<LogRecordView> views;
    WalkReply(
        copy.data(), static_cast<uint32_t>(copy.size()),
        [&views](const LogRecordView& record) { views.push_back(record); }, ReplyLogSink());
    {
        size_t counted = 0;
        const ReplyRecordSink onRecord = [&counted](const LogRecordView& record)
        { counted += IsCountedRecord(record) ? 1 : 0; };
        const int rounds = 2000;
        Stopwatch watch;
        for (int i = 0; i < rounds; ++i)
            WalkReply(copy.data(), static_cast<uint32_t>(copy.size()), onRecord, ReplyLogSink());
        PrintRate("walk + counted check", double(counted), watch.Seconds());
    }

    // 3. The queue append of the retrieval thread (lock, entry, process name, file name, bytes), first
    // while the queue grows, then with its storage already there, as in a steady flow. Its pieces follow.
    // 4. ProcessLogRecords on the queued entries, then its pieces one by one.
    {
        CQMonitor monitor;
        PrepareMonitor(monitor, settings, device);
        monitor.m_pSettingsRunTime = &runTime;
        const int rounds = 300;
        Stopwatch watch;
        QueueReplies(monitor, copy, rounds);
        const double growSeconds = watch.Seconds();
        const double queued = double(monitor.GetPendingRecords());
        {
            std::vector<QueueEntry> discarded(4096);
            while (monitor.PopQueueEntries(discarded.data(), discarded.size()) != 0)
            {
            }
        }
        watch.Restart();
        QueueReplies(monitor, copy, rounds);
        const double steadySeconds = watch.Seconds();
        PrintRate("walk + queue append, queue array already grown", queued, steadySeconds);
        PrintRate("walk + queue append, queue growing (fresh memory)", queued, growSeconds);

        std::wstring name;
        const double pieces = double(rounds) * double(views.size());
        watch.Restart();
        for (int i = 0; i < rounds; ++i)
            for (const LogRecordView& record : views)
                monitor.LookupProcessName(record.ProcessId(), name);
        PrintRate("  of which process-name lookup (cached)", pieces, watch.Seconds());
        watch.Restart();
        for (int i = 0; i < rounds; ++i)
            for (const LogRecordView& record : views)
            {
                std::wstring fileName;
                record.CopyName(fileName);
            }
        PrintRate("  of which file-name copy (allocation included)", pieces, watch.Seconds());
        watch.Restart();
        for (int i = 0; i < rounds * 1000; ++i)
            name.assign(1, wchar_t(time(nullptr)));
        PrintRate("  (C runtime time(), not used: the time zone each call)", double(rounds * 1000),
                  watch.Seconds());

        // The first entries create the items; the rest find them through the path cache.
        PrintRate("processing thread on queued entries", queued, ProcessQueued(monitor));

        // The processing steps one by one on entries of seen paths (no thread, no queue).
        std::vector<QueueEntry> entries(views.size());
        for (size_t i = 0; i < views.size(); ++i)
        {
            views[i].CopyName(entries[i].m_csFileName);
            monitor.LookupProcessName(views[i].ProcessId(), entries[i].m_csProcessName);
            entries[i].m_qwordBytes = views[i].WriteLength();
        }
        std::vector<std::wstring> resolved(entries.size());
        watch.Restart();
        for (int i = 0; i < rounds; ++i)
            for (size_t e = 0; e < entries.size(); ++e)
                monitor.ResolvePath(entries[e].m_csFileName, resolved[e]);
        PrintRate("  of which ResolvePath", pieces, watch.Seconds());
        std::vector<CQTreeItem*> items(entries.size());
        watch.Restart();
        for (int i = 0; i < rounds; ++i)
            for (size_t e = 0; e < entries.size(); ++e)
                items[e] = monitor.FindOrCreateItem(resolved[e]);
        PrintRate("  of which FindOrCreateItem (path cache hit)", pieces, watch.Seconds());
        watch.Restart();
        for (int i = 0; i < rounds; ++i)
            for (size_t e = 0; e < entries.size(); ++e)
                items[e]->AddWrite(entries[e].m_qwordBytes, monitor.FindOrAddProcess(entries[e]));
        PrintRate("  of which FindOrAddProcess + AddWrite", pieces, watch.Seconds());
        {
            CQLock lock(monitor.m_lockQueue);
            for (const QueueEntry& entry : entries)
                monitor.PushQueueEntryLocked(entry.m_csFileName.data(), entry.m_csFileName.size(),
                                             entry.m_csProcessName.data(), entry.m_csProcessName.size(),
                                             entry.m_dwordProcessId, entry.m_qwordBytes);
        }
        QueueEntry taken;
        taken.m_csFileName.reserve(200);
        const double pops = double(entries.size());
        watch.Restart();
        while (monitor.PopQueueEntries(&taken, 1) == 1)
        {
        }
        PrintRate("  of which taking an entry (lock, move, free)", pops, watch.Seconds());
        CQCriticalSection cs;
        cs.Init();
        watch.Restart();
        for (int i = 0; i < rounds * 1000; ++i)
        {
            CQLock lock(cs);
        }
        PrintRate("  (one uncontended lock and unlock)", double(rounds * 1000), watch.Seconds());
    }

    // 5. End to end: the stand-in, both threads, the totals.
    CQMonitor monitor;
    monitor.m_pSettingsInterface = &settings;
    monitor.m_pSettingsRunTime = &runTime;
    monitor.Start();
    if (!monitor.m_boolThreadsStarted || monitor.m_hRetrieveThread == nullptr)
    {
        std::printf("The monitor did not start.\n");
        monitor.CleanUp();
        return 1;
    }
    monitor.ListVolumes();
    monitor.AttachSelectedDrives();
    CounterStore(monitor.m_boolRunning, LONG(1));

    // Warm-up: the paths enter the tree, the process enters the live-process cache.
    AppendToFile(feed, RepeatFeedLine(1, reply));
    if (!WaitForOperations(monitor, recordsPerReply))
    {
        std::printf("The warm-up reply was not processed.\n");
        monitor.CleanUp();
        return 1;
    }

    // Runs of the whole pipeline, each followed by the processing thread alone on as many records, so
    // that both figures of a pair see the machine in the same state (other work shares it).
    constexpr int kPairs = 15;
    std::vector<EndToEndRun> runs;
    std::vector<double> alone;
    std::vector<double> shares;
    for (int pair = 0; pair < kPairs; ++pair)
    {
        runs.push_back(RunEndToEnd(monitor, feed, reply, recordsPerReply));
        alone.push_back(ProcessingAlone(settings, device, reply, static_cast<int>(kReplies)));
        shares.push_back(double(runs.back().records) / runs.back().seconds / alone.back());
    }
    CounterStore(monitor.m_boolRunning, LONG(0));
    std::vector<size_t> order(kPairs);
    for (int i = 0; i < kPairs; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&shares](size_t a, size_t b) { return shares[a] < shares[b]; });
    const size_t mid = order[kPairs / 2];
    const EndToEndRun& median = runs[mid];

    std::printf("End to end (%llu replies, %llu records%s):\n", (unsigned long long)kReplies,
                (unsigned long long)median.records, median.finished ? "" : ", NOT FINISHED");
    PrintRate("FilterSendMessage to the totals, both threads", double(median.records), median.seconds);
    std::printf("  peak queue length %d entries\n", median.peakQueue);
    std::printf("  processor time: retrieval thread %.0f ns/record, processing thread %.0f ns/record\n",
                median.retrieveCpu * 1e9 / double(median.records),
                median.processCpu * 1e9 / double(median.records));
    std::printf(
        "  as a share of the processing thread alone right after it (%.0f records/s): median %.0f%% of "
        "%d runs (",
        alone[mid], shares[mid] * 100, kPairs);
    for (int i = 0; i < kPairs; ++i)
        std::printf("%s%.0f%%", i != 0 ? ", " : "", shares[i] * 100);
    std::printf(")\n");

    monitor.CleanUp();

    // 6. Name lookups that find nothing, against the processing thread's taking of entries.
    LockWaitWithVanishedProcesses(settings, device);
    DeleteFileW(feed.c_str());
    DeleteFileW((folder + L"\\Monitored.Files").c_str());
    RemoveDirectoryW(folder.c_str());
    SetProgramLog(nullptr);
    return 0;
}
