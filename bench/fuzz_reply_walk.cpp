// Fuzzing the driver's replies: each reply is placed so that its last byte lies right before a
// PAGE_NOACCESS page, so that any read past the reply faults, and goes through the real walk, the counted
// check and the queue append of the retrieval thread; the queue is emptied after every reply. Besides
// faults (found by the supervisor), every record handed on is checked to lie inside the reply with its
// name inside the record. Figures only, never pass/fail.
//
//   fuzz_reply_walk.exe [replies] [--seed N] [--hang-limit-ms N] [--fault-at I] [--hang-at I]
//
// Its last line: "<N> replies, <C> faults, <R> records handed on".
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/SettingsInterface.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "engine/ReplyWalk.h"
#include "engine/RetrievalRecord.h"
#include "engine/WrimonProtocol.h"
#include "support/GuardedBuffer.h"
#include "fuzz/ReplyInputs.h"
#include "fuzz/Supervisor.h"

namespace
{
enum Counter
{
    handedOn,
    queued,
    logLines,
    outsideRecords,
    replyBytes,
};

class ReplyWorker : public FuzzWorker
{
public:
    explicit ReplyWorker(uint64_t runSeed) : m_runSeed(runSeed) {}

    bool SetUp(const std::wstring&) override
    {
        if (!m_guard.IsValid())
            return false;
        m_monitor.m_pSettingsInterface = &m_settings;
        return true;
    }

    void RunOne(uint64_t index, FuzzShared& shared) override
    {
        const std::vector<BYTE> reply = MakeReply(m_runSeed, index);
        BYTE* placed = m_guard.Place(reply.data(), reply.size());
        const uint32_t size = static_cast<uint32_t>(reply.size());
        shared.counters[replyBytes] += size;

        // The settings and the running flag the thread reads for every record, in their combinations;
        // process names only now and then, since a lookup of an unknown id takes a process snapshot.
        CounterStore(m_monitor.m_boolRunning, LONG(index % 16 != 7));
        m_settings.m_boolDoNotLogFiles = index % 16 == 3;
        m_settings.m_boolCollectProcessesInformation = index % 1024 == 5;

        LONG64 outside = 0;
        LONG64 lines = 0;
        const ReplyRecordSink onRecord = [&](const LogRecordView& record)
        {
            const BYTE* start = record.NameBytes() - WrimonNameOffset;
            if (start < placed || record.Length() < WrimonMinRecordLength ||
                record.Length() > static_cast<size_t>(placed + size - start) ||
                WrimonNameOffset + record.NameLength() * 2 > record.Length())
                ++outside;
            QueueLogRecord(m_monitor, record);
        };
        const ReplyLogSink onLogLine = [&](const wchar_t*) { ++lines; };
        shared.counters[handedOn] += static_cast<LONG64>(WalkReply(placed, size, onRecord, onLogLine));
        shared.counters[outsideRecords] += outside;
        shared.counters[logLines] += lines;

        QueueEntry entry;
        while (m_monitor.PopQueueEntries(&entry, 1) == 1)
        {
            ++shared.counters[queued];
            if (entry.m_csFileName.size() * 2 > size)
                ++shared.counters[outsideRecords];
        }
    }

    // Reads the byte after a placed reply: the guard page must fault.
    void Fault() override
    {
        const BYTE reply[64] = {};
        const BYTE* placed = m_guard.Place(reply, sizeof(reply));
        volatile BYTE past = placed[sizeof(reply)];
        (void)past;
    }

private:
    uint64_t m_runSeed;
    GuardedBuffer m_guard{kLongestFuzzReply};
    CQSettingsInterface m_settings;
    CQMonitor m_monitor;
};
} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    FuzzCommandLine line;
    if (argv == nullptr || !ParseFuzzCommandLine(argc, argv, 10000000, line))
        return 2;
    if (line.worker)
    {
        ReplyWorker worker(line.seed);
        return RunFuzzWorker(line, worker);
    }

    const auto saveInput = [&](uint64_t index, const std::wstring& path)
    {
        const std::vector<BYTE> reply = MakeReply(line.seed, index);
        return FuzzWriteFile(path, reply.data(), reply.size());
    };
    const FuzzRunResult result = RunFuzzSupervisor(line, L"tavrello-fuzz-reply-walk", saveInput);

    printf("seed %llu; %.1f s, %.0f replies per second, %.1f MB of replies\n",
           static_cast<unsigned long long>(line.seed), result.seconds,
           result.seconds > 0 ? static_cast<double>(result.inputs) / result.seconds : 0.0,
           static_cast<double>(result.counters[replyBytes]) / 1e6);
    printf("%lld records queued, %lld log lines, %lld records handed on outside their reply or with a name "
           "outside the record, %llu hangs\n",
           static_cast<long long>(result.counters[queued]), static_cast<long long>(result.counters[logLines]),
           static_cast<long long>(result.counters[outsideRecords]),
           static_cast<unsigned long long>(result.hangs));
    printf("%llu replies, %llu faults, %lld records handed on\n",
           static_cast<unsigned long long>(result.inputs), static_cast<unsigned long long>(result.crashes),
           static_cast<long long>(result.counters[handedOn]));
    return 0;
}
