#include "fuzz/Supervisor.h"

#include <cstdio>
#include <cwchar>
#include <exception>

namespace
{
FuzzShared* g_pShared = nullptr;

LONG WINAPI RecordCrash(EXCEPTION_POINTERS* pointers)
{
    if (g_pShared != nullptr && pointers != nullptr && pointers->ExceptionRecord != nullptr)
    {
        g_pShared->exceptionCode = static_cast<LONG>(pointers->ExceptionRecord->ExceptionCode);
        g_pShared->exceptionAddress =
            static_cast<LONG64>(reinterpret_cast<uintptr_t>(pointers->ExceptionRecord->ExceptionAddress));
    }
    // At once: no debugger, no dialog, nothing that could itself hang.
    TerminateProcess(GetCurrentProcess(), 0xC0DE0001);
    return EXCEPTION_EXECUTE_HANDLER;
}

void Terminated()
{
    if (g_pShared != nullptr)
        g_pShared->exceptionCode = static_cast<LONG>(0xE0000001);
    TerminateProcess(GetCurrentProcess(), 0xC0DE0002);
}

bool ParseNumber(const wchar_t* text, uint64_t& value)
{
    wchar_t* end = nullptr;
    value = wcstoull(text, &end, 0);
    return end != text && *end == L'\0';
}

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool DeleteTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

// Saves the input of a finding and says so.
void ReportFinding(const char* what, uint64_t index, const FuzzShared& shared, const std::wstring& folder,
                   const std::function<bool(uint64_t, const std::wstring&)>& saveInput, bool& kept)
{
    const std::wstring path = FuzzFindingsFolder(folder) + L"\\" + std::wstring(what, what + strlen(what)) +
                              L"-" + std::to_wstring(index) + L".bin";
    const bool saved = saveInput(index, path);
    kept = kept || saved;
    printf("%s at input %llu", what, static_cast<unsigned long long>(index));
    if (shared.exceptionCode != 0)
        printf(" (exception 0x%08lx at 0x%llx)", static_cast<unsigned long>(shared.exceptionCode),
               static_cast<unsigned long long>(shared.exceptionAddress));
    printf(saved ? ": saved as %s\n" : ": could not save %s\n", Narrow(path).c_str());
    fflush(stdout);
}
} // namespace

void FuzzRaise(volatile LONG64& largest, LONG64 value)
{
    if (value > largest)
        largest = value;
}

void FuzzWorker::Fault()
{
    *static_cast<volatile char*>(nullptr) = 1;
}

bool ParseFuzzCommandLine(int argc, wchar_t** argv, uint64_t defaultInputs, FuzzCommandLine& line)
{
    line.inputs = defaultInputs;
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        uint64_t value = 0;
        const bool hasValue = i + 1 < argc && ParseNumber(argv[i + 1], value);
        if (arg == L"--worker" && i + 3 < argc)
        {
            uint64_t handle = 0;
            if (!ParseNumber(argv[i + 1], handle) || !ParseNumber(argv[i + 3], line.first))
                return false;
            line.worker = true;
            line.mapping = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle));
            line.folder = argv[i + 2];
            i += 3;
        }
        else if (arg == L"--seed" && hasValue)
            line.seed = value, ++i;
        else if (arg == L"--hang-limit-ms" && hasValue)
            line.hangLimitMs = static_cast<DWORD>(value), ++i;
        else if (arg == L"--fault-at" && hasValue)
            line.faultAt = value, ++i;
        else if (arg == L"--hang-at" && hasValue)
            line.hangAt = value, ++i;
        else if (ParseNumber(argv[i], value))
            line.inputs = value;
        else
        {
            printf("usage: %s [inputs] [--seed N] [--hang-limit-ms N] [--fault-at I] [--hang-at I]\n",
                   Narrow(argv[0]).c_str());
            return false;
        }
    }
    return true;
}

int RunFuzzWorker(const FuzzCommandLine& line, FuzzWorker& worker)
{
    FuzzShared* shared =
        static_cast<FuzzShared*>(MapViewOfFile(line.mapping, FILE_MAP_WRITE, 0, 0, sizeof(FuzzShared)));
    if (shared == nullptr)
        return 3;
    g_pShared = shared;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(RecordCrash);
    std::set_terminate(Terminated);
    if (!worker.SetUp(line.folder))
        return 4;
    shared->ready = 1;
    for (uint64_t index = line.first; index < line.inputs; ++index)
    {
        shared->current = static_cast<LONG64>(index);
        if (index == line.faultAt)
            worker.Fault();
        if (index == line.hangAt)
            Sleep(INFINITE);
        worker.RunOne(index, *shared);
    }
    shared->current = static_cast<LONG64>(line.inputs);
    shared->finished = 1;
    return 0;
}

FuzzRunResult
RunFuzzSupervisor(const FuzzCommandLine& line, const wchar_t* name,
                  const std::function<bool(uint64_t index, const std::wstring& path)>& saveInput)
{
    FuzzRunResult result;
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    result.folder = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(result.folder.c_str(), nullptr);

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(FuzzShared), nullptr);
    FuzzShared* shared =
        mapping ? static_cast<FuzzShared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(FuzzShared)))
                : nullptr;
    if (shared == nullptr)
    {
        printf("no shared memory for the workers (error %lu)\n", GetLastError());
        return result;
    }

    const std::wstring program = ProgramPath();
    const ULONGLONG started = GetTickCount64();
    ULONGLONG lastReport = started;
    uint64_t first = 0;
    while (first < line.inputs)
    {
        shared->current = static_cast<LONG64>(first);
        shared->ready = 0;
        shared->finished = 0;
        shared->exceptionCode = 0;
        shared->exceptionAddress = 0;
        std::wstring command = L"\"" + program + L"\" --worker " +
                               std::to_wstring(reinterpret_cast<uintptr_t>(mapping)) + L" \"" +
                               result.folder + L"\" " + std::to_wstring(first) + L" " +
                               std::to_wstring(line.inputs) + L" --seed " + std::to_wstring(line.seed);
        if (line.faultAt != UINT64_MAX)
            command += L" --fault-at " + std::to_wstring(line.faultAt);
        if (line.hangAt != UINT64_MAX)
            command += L" --hang-at " + std::to_wstring(line.hangAt);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process))
        {
            printf("cannot start a worker (error %lu)\n", GetLastError());
            break;
        }
        CloseHandle(process.hThread);

        LONG64 seen = shared->current;
        ULONGLONG seenAt = GetTickCount64();
        for (;;)
        {
            const bool ended = WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0;
            const ULONGLONG now = GetTickCount64();
            if (now - lastReport >= 60000)
            {
                lastReport = now;
                printf("... %lld inputs after %llu s\n", static_cast<long long>(shared->current),
                       static_cast<unsigned long long>((now - started) / 1000));
                fflush(stdout);
            }
            const uint64_t current = static_cast<uint64_t>(shared->current);
            if (ended)
            {
                DWORD code = 0;
                GetExitCodeProcess(process.hProcess, &code);
                if (shared->finished && code == 0)
                {
                    first = line.inputs;
                }
                else if (code == 3 || code == 4)
                {
                    printf("the worker could not start its work (code %lu)\n", code);
                    first = line.inputs;
                }
                else
                {
                    ++result.crashes;
                    ReportFinding("crash", current, *shared, result.folder, saveInput, result.keptFolder);
                    first = current + 1;
                }
                break;
            }
            // The time limit is for inputs; setting up (making the seeds) is not one.
            if (static_cast<LONG64>(current) != seen || !shared->ready)
            {
                seen = static_cast<LONG64>(current);
                seenAt = now;
            }
            else if (now - seenAt > line.hangLimitMs)
            {
                TerminateProcess(process.hProcess, 0xC0DE0003);
                WaitForSingleObject(process.hProcess, 10000);
                ++result.hangs;
                ReportFinding("hang", current, *shared, result.folder, saveInput, result.keptFolder);
                first = current + 1;
                break;
            }
        }
        CloseHandle(process.hProcess);
        result.inputs = first < line.inputs ? first : line.inputs;
    }
    result.seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
    for (int i = 0; i < 8; ++i)
        result.counters[i] = shared->counters[i];
    for (int i = 0; i < 4; ++i)
        result.largest[i] = shared->largest[i];
    UnmapViewOfFile(shared);
    CloseHandle(mapping);

    // Workers may keep findings of their own (failed round trips) in the folder too.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((result.folder + L"\\findings\\*.bin").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        result.keptFolder = true;
        FindClose(search);
    }
    if (result.keptFolder)
        printf("findings kept in %s\n", Narrow(result.folder).c_str());
    else
        DeleteTree(result.folder);
    return result;
}

bool FuzzWriteFile(const std::wstring& path, const void* bytes, size_t count)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = count == 0 || WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
    CloseHandle(file);
    return ok && written == count;
}

bool FuzzReadFile(const std::wstring& path, std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    const BOOL ok =
        bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return ok && read == bytes.size();
}

std::wstring FuzzFindingsFolder(const std::wstring& folder)
{
    const std::wstring findings = folder + L"\\findings";
    CreateDirectoryW(findings.c_str(), nullptr);
    return findings;
}
