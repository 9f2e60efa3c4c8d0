// Fuzzing the parsers of the drives' answers: each answer is placed so that its last byte lies right before
// a PAGE_NOACCESS page, so that any read past it faults, and goes through the parser the health reader uses
// for its kind. Besides faults (found by the supervisor), every result is checked to stay within the answer:
// a located page inside the bytes returned, strings no longer than the answer. Figures only, never
// pass/fail.
//
//   fuzz_drive_answers.exe [answers] [--seed N] [--hang-limit-ms N] [--fault-at I] [--hang-at I]
//
// Its last line: "<N> answers, <C> faults, <P> parsed".
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/health/AtaCommands.h"
#include "engine/health/AtaPages.h"
#include "engine/health/DiskReading.h"
#include "engine/health/NvmeHealthLog.h"
#include "engine/health/StorageAnswers.h"
#include "engine/health/VendorAttributes.h"
#include "engine/health/VolumeDisks.h"
#include "fuzz/DriveAnswerInputs.h"
#include "fuzz/Supervisor.h"
#include "support/GuardedBuffer.h"

namespace
{
enum Counter
{
    parsed,
    outside,
    answerBytes,
};

class DriveAnswerWorker : public FuzzWorker
{
public:
    explicit DriveAnswerWorker(uint64_t runSeed) : m_runSeed(runSeed) {}

    bool SetUp(const std::wstring&) override { return m_guard.IsValid(); }

    void RunOne(uint64_t index, FuzzShared& shared) override
    {
        const CQDriveAnswer answer = MakeDriveAnswer(m_runSeed, index);
        const uint8_t* data = m_guard.Place(answer.bytes.data(), answer.bytes.size());
        const size_t size = answer.bytes.size();
        shared.counters[answerBytes] += static_cast<LONG64>(size);
        bool ok = false;
        bool inside = true;
        size_t offset = 0;
        size_t length = 0;
        switch (answer.kind)
        {
        case CQDriveAnswerKind::descriptor:
        {
            CQDeviceDescriptor descriptor;
            DescriptorSizeNeeded(data, size);
            ok = ParseDeviceDescriptor(data, size, descriptor);
            for (const std::wstring* text :
                 {&descriptor.vendor, &descriptor.product, &descriptor.revision, &descriptor.serial})
                inside = inside && text->size() <= size;
            break;
        }
        case CQDriveAnswerKind::protocolData:
            ok = LocateProtocolData(data, size, offset, length);
            if (ok)
            {
                inside = offset <= size && length <= size - offset;
                CQDiskReading reading;
                ParseNvmeHealthLog(data + offset, length, reading);
            }
            break;
        case CQDriveAnswerKind::nvmeLog:
        {
            CQDiskReading reading;
            ok = ParseNvmeHealthLog(data, size, reading);
            break;
        }
        case CQDriveAnswerKind::identify:
        {
            CQAtaIdentity identity;
            ok = ParseAtaIdentify(data, size, identity);
            break;
        }
        case CQDriveAnswerKind::statisticsPage:
        {
            std::vector<uint8_t> pages;
            CQDeviceStatistics statistics;
            ok = answer.page == 0 ? ParseSupportedStatisticsPages(data, size, pages)
                                  : ApplyStatisticsPage(data, size, answer.page, statistics);
            inside = pages.size() <= size;
            break;
        }
        case CQDriveAnswerKind::smartData:
        {
            const std::vector<CQSmartAttribute> attributes = ParseSmartAttributes(data, size);
            CQDiskReading reading;
            ApplyVendorAttributes(L"CT1000MX500SSD1", attributes, reading);
            ok = !attributes.empty();
            break;
        }
        case CQDriveAnswerKind::passThrough:
            ok = AtaPassThroughData(data, size, AtaIdentifyCommand(), offset, length);
            inside = !ok || (offset <= size && length <= size - offset);
            break;
        case CQDriveAnswerKind::smartReceive:
            ok = SmartReceiveData(data, size, SmartReadDataCommand(), offset, length);
            inside = !ok || (offset <= size && length <= size - offset);
            break;
        default:
            ok = !ParseExtentDisks(data, size).empty();
            break;
        }
        shared.counters[parsed] += ok ? 1 : 0;
        shared.counters[outside] += inside ? 0 : 1;
    }

    // Reads the byte after a placed answer: the guard page must fault.
    void Fault() override
    {
        const uint8_t answer[64] = {};
        const uint8_t* placed = m_guard.Place(answer, sizeof(answer));
        volatile uint8_t past = placed[sizeof(answer)];
        (void)past;
    }

private:
    uint64_t m_runSeed;
    GuardedBuffer m_guard{kLongestDriveAnswer};
};
} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    FuzzCommandLine line;
    if (argv == nullptr || !ParseFuzzCommandLine(argc, argv, 1000000, line))
        return 2;
    if (line.worker)
    {
        DriveAnswerWorker worker(line.seed);
        return RunFuzzWorker(line, worker);
    }

    const auto saveInput = [&](uint64_t index, const std::wstring& path)
    {
        // The kind and page first, then the answer's bytes.
        const CQDriveAnswer answer = MakeDriveAnswer(line.seed, index);
        std::vector<uint8_t> bytes = {static_cast<uint8_t>(answer.kind), answer.page};
        bytes.insert(bytes.end(), answer.bytes.begin(), answer.bytes.end());
        return FuzzWriteFile(path, bytes.data(), bytes.size());
    };
    const FuzzRunResult result = RunFuzzSupervisor(line, L"tavrello-fuzz-drive-answers", saveInput);

    printf("seed %llu; %.1f s, %.0f answers per second, %.1f MB of answers\n",
           static_cast<unsigned long long>(line.seed), result.seconds,
           result.seconds > 0 ? static_cast<double>(result.inputs) / result.seconds : 0.0,
           static_cast<double>(result.counters[answerBytes]) / 1e6);
    printf("%lld results outside their answer, %llu hangs\n",
           static_cast<long long>(result.counters[outside]), static_cast<unsigned long long>(result.hangs));
    printf("%llu answers, %llu faults, %lld parsed\n", static_cast<unsigned long long>(result.inputs),
           static_cast<unsigned long long>(result.crashes), static_cast<long long>(result.counters[parsed]));
    return 0;
}
