// Runs a fuzzer's inputs in worker processes (the same program started again with "--worker"), so that a
// crash or a hang costs one input instead of the run. The worker marks the input it has in hand in a block
// of memory shared with the supervisor; when the worker dies the supervisor counts a crash at that input,
// when the mark stands still longer than the time limit it counts a hang and ends the worker; either way
// a new worker goes on with the next input. Inputs are made from (seed, index), so the supervisor saves
// the input of each finding by making it again.
//
//   fuzz_x.exe [inputs] [--seed N] [--hang-limit-ms N] [--fault-at I] [--hang-at I]
//
// --fault-at and --hang-at make the worker fault or stop at input I, to show that the supervisor notices.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The block shared by the supervisor and its workers; workers add to the counters and raise the maxima.
struct FuzzShared
{
    volatile LONG64 current;     // index of the input the worker has in hand
    volatile LONG64 counters[8]; // the fuzzer's own counts, over all workers
    volatile LONG64 largest[4];  // the fuzzer's own maxima, over all workers
    volatile LONG ready;         // the worker has set up and started on its inputs
    volatile LONG finished;      // the worker got through its last input
    volatile LONG exceptionCode; // of the exception that ended the worker
    volatile LONG64 exceptionAddress;
};

void FuzzRaise(volatile LONG64& largest, LONG64 value);

struct FuzzCommandLine
{
    bool worker = false;
    uint64_t inputs = 0;
    uint64_t seed = 1;
    DWORD hangLimitMs = 30000;
    uint64_t faultAt = UINT64_MAX;
    uint64_t hangAt = UINT64_MAX;
    // Worker only.
    HANDLE mapping = nullptr;
    std::wstring folder;
    uint64_t first = 0;
};

// False (after printing the usage) when the arguments make no sense.
bool ParseFuzzCommandLine(int argc, wchar_t** argv, uint64_t defaultInputs, FuzzCommandLine& line);

// The fuzzer's part in a worker process.
class FuzzWorker
{
public:
    virtual ~FuzzWorker() = default;
    // Once, before the first input; folder is the run's work folder. False ends the worker.
    virtual bool SetUp(const std::wstring& folder) = 0;
    virtual void RunOne(uint64_t index, FuzzShared& shared) = 0;
    // The deliberate fault of --fault-at.
    virtual void Fault();
};

// The worker's whole life; returns the process exit code.
int RunFuzzWorker(const FuzzCommandLine& line, FuzzWorker& worker);

struct FuzzRunResult
{
    uint64_t inputs = 0;
    uint64_t crashes = 0;
    uint64_t hangs = 0;
    double seconds = 0;
    LONG64 counters[8] = {};
    LONG64 largest[4] = {};
    std::wstring folder;
    bool keptFolder = false;
};

// The supervisor's whole run. saveInput writes input index to a file (for the findings). Findings are
// reported on the standard output as they happen; the work folder is deleted at the end unless a finding
// was saved in it.
FuzzRunResult
RunFuzzSupervisor(const FuzzCommandLine& line, const wchar_t* name,
                  const std::function<bool(uint64_t index, const std::wstring& path)>& saveInput);

// Writes bytes to a new file; reads a whole file.
bool FuzzWriteFile(const std::wstring& path, const void* bytes, size_t count);
bool FuzzReadFile(const std::wstring& path, std::vector<BYTE>& bytes);
// The findings subfolder of a work folder, created when missing.
std::wstring FuzzFindingsFolder(const std::wstring& folder);
