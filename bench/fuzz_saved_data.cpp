// Fuzzing the saved data file: mutated copies of files made by the program itself are loaded through the
// program's own load into a fresh monitor. For every input: no crash, no hang (a time limit per input,
// watched from the supervisor), memory growth during the load within a small multiple of the input's
// size, and a save of what was kept followed by a reload into another fresh monitor must succeed and save
// again to the very same bytes (the same tree, processes and totals; the trailers differ only in the
// save's sequence number, and both verify). Figures only, never pass/fail.
//
//   fuzz_saved_data.exe [inputs] [--seed N] [--hang-limit-ms N] [--fault-at I] [--hang-at I]
//
// Its last line: "<N> inputs, <C> crashes, <H> hangs, <F> failed round trips".
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/SettingsRunTime.h"
#include "data/SaveTrailer.h"
#include "data/ProcessLink.h"
#include "data/PtrArray.h"
#include "engine/Monitor.h"
#include "fuzz/SavedDataInputs.h"
#include "fuzz/Supervisor.h"
#include "support/MemoryUse.h"

namespace
{
// Growth of committed memory during one load that is still "a small multiple of the input".
constexpr size_t kGrowthPerInputByte = 32;
constexpr size_t kGrowthAllowance = size_t(4) << 20;
// Failing inputs kept as findings by the workers, at most.
constexpr LONG64 kKeptFindings = 20;

enum Counter
{
    failedRoundTrips,
    overMemory,
    fullLoads,
    inputBytes,
};
enum Largest
{
    largestInput,
    largestGrowth,
    largestGrowthInput,
};

// Both verify, and hold the same bytes before their trailers.
bool SameContents(const Bytes& first, const Bytes& second)
{
    const auto verified = [](const Bytes& bytes)
    { return CheckSaveTrailer(std::string(bytes.begin(), bytes.end())).state == CQTrailerCheck::verified; };
    return verified(first) && verified(second) && first.size() == second.size() &&
           std::equal(first.begin(), first.end() - kSaveTrailerBytes, second.begin());
}

void EmptyFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

class SavedDataWorker : public FuzzWorker
{
public:
    explicit SavedDataWorker(uint64_t runSeed) : m_runSeed(runSeed) {}

    bool SetUp(const std::wstring& folder) override
    {
        m_folder = folder;
        const std::wstring data = folder + L"\\worker" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(data.c_str(), nullptr);
        m_runTime.m_csDataFolder = data;
        m_seeds = MakeSavedDataSeeds(data);
        if (m_seeds.empty())
            return false;
        m_layouts.resize(m_seeds.size());
        for (size_t i = 0; i < m_seeds.size(); ++i)
            ReadSavedDataLayout(m_seeds[i], m_layouts[i]);
        CQMonitor probe;
        probe.m_pSettingsRunTime = &m_runTime;
        m_dataFile = probe.GetDataFilePath();
        return true;
    }

    void RunOne(uint64_t index, FuzzShared& shared) override
    {
        const Bytes input = MakeSavedDataInput(m_seeds, m_layouts, m_runSeed, index);
        if (!FuzzWriteFile(m_dataFile, input.data(), input.size()))
            return;
        shared.counters[inputBytes] += static_cast<LONG64>(input.size());
        FuzzRaise(shared.largest[largestInput], static_cast<LONG64>(input.size()));

        bool roundTrip = false;
        const size_t before = CommittedPrivateBytes();
        {
            CQMonitor loaded;
            loaded.m_pSettingsRunTime = &m_runTime;
            if (loaded.LoadData())
                ++shared.counters[fullLoads];
            const size_t after = CommittedPrivateBytes();
            const size_t growth = after > before ? after - before : 0;
            if (static_cast<LONG64>(growth) > shared.largest[largestGrowth])
            {
                shared.largest[largestGrowth] = static_cast<LONG64>(growth);
                shared.largest[largestGrowthInput] = static_cast<LONG64>(input.size());
            }
            if (growth > kGrowthPerInputByte * input.size() + kGrowthAllowance)
                Keep("memory", index, input, shared.counters[overMemory]);

            // The walks over a tree that a damaged file built.
            loaded.m_root.SumWritten();
            CQPtrAutoArray<CQProcessLink> totals;
            loaded.m_root.CollectProcessTotals(totals, TRUE);

            Bytes first;
            Bytes second;
            if (loaded.SaveData() && FuzzReadFile(m_dataFile, first))
            {
                CQMonitor reloaded;
                reloaded.m_pSettingsRunTime = &m_runTime;
                roundTrip = reloaded.LoadData() && reloaded.SaveData() && FuzzReadFile(m_dataFile, second) &&
                            SameContents(first, second);
            }
        }
        // The files that the load kept aside: every input starts in a folder of its own data file only.
        EmptyFolder(m_runTime.m_csDataFolder);
        if (!roundTrip)
            Keep("roundtrip", index, input, shared.counters[failedRoundTrips]);
    }

private:
    void Keep(const char* what, uint64_t index, const Bytes& input, volatile LONG64& count)
    {
        if (++count > kKeptFindings)
            return;
        const std::wstring path = FuzzFindingsFolder(m_folder) + L"\\" +
                                  std::wstring(what, what + strlen(what)) + L"-" + std::to_wstring(index) +
                                  L".bin";
        FuzzWriteFile(path, input.data(), input.size());
    }

    uint64_t m_runSeed;
    std::wstring m_folder;
    std::wstring m_dataFile;
    CQSettingsRunTime m_runTime;
    std::vector<Bytes> m_seeds;
    std::vector<SavedDataLayout> m_layouts;
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
        SavedDataWorker worker(line.seed);
        return RunFuzzWorker(line, worker);
    }

    // The supervisor makes a finding's input again from the same seeds.
    std::vector<Bytes> seeds;
    std::vector<SavedDataLayout> layouts;
    const auto saveInput = [&](uint64_t index, const std::wstring& path)
    {
        if (seeds.empty())
        {
            const std::wstring scratch = path.substr(0, path.rfind(L'\\')) + L"\\seeds";
            CreateDirectoryW(scratch.c_str(), nullptr);
            seeds = MakeSavedDataSeeds(scratch);
            layouts.resize(seeds.size());
            for (size_t i = 0; i < seeds.size(); ++i)
                ReadSavedDataLayout(seeds[i], layouts[i]);
        }
        if (seeds.empty())
            return false;
        const Bytes input = MakeSavedDataInput(seeds, layouts, line.seed, index);
        return FuzzWriteFile(path, input.data(), input.size());
    };
    const FuzzRunResult result = RunFuzzSupervisor(line, L"tavrello-fuzz-saved-data", saveInput);

    printf("seed %llu; %.1f s, %.0f inputs per second\n", static_cast<unsigned long long>(line.seed),
           result.seconds, result.seconds > 0 ? static_cast<double>(result.inputs) / result.seconds : 0.0);
    printf("%lld loads read the whole file; %.1f MB of inputs, the largest %lld bytes\n",
           static_cast<long long>(result.counters[fullLoads]),
           static_cast<double>(result.counters[inputBytes]) / 1e6,
           static_cast<long long>(result.largest[largestInput]));
    printf("memory: the largest growth in one load %lld bytes (for an input of %lld bytes); %lld inputs over "
           "%u x their size + %u bytes\n",
           static_cast<long long>(result.largest[largestGrowth]),
           static_cast<long long>(result.largest[largestGrowthInput]),
           static_cast<long long>(result.counters[overMemory]), static_cast<unsigned>(kGrowthPerInputByte),
           static_cast<unsigned>(kGrowthAllowance));
    printf("%llu inputs, %llu crashes, %llu hangs, %lld failed round trips\n",
           static_cast<unsigned long long>(result.inputs), static_cast<unsigned long long>(result.crashes),
           static_cast<unsigned long long>(result.hangs),
           static_cast<long long>(result.counters[failedRoundTrips]));
    return 0;
}
