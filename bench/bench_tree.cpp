// Figures of the item tree: new paths per second through SplitPath and FindOrInsert, AddWrite calls per
// second, and memory per item. Prints figures only; nothing here passes or fails.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "data/Process.h"
#include "data/TreeArena.h"
#include "data/SplitPath.h"
#include "data/TreeItemFile.h"
#include "data/TreeItemFolder.h"
#include "data/TreeObserver.h"

// Counting allocator: every operator new of the program (the tree's items, strings and arrays) goes
// through here, so the live requested bytes can be read at any moment.
namespace
{
int64_t g_liveBytes = 0;
int64_t g_liveBlocks = 0;
// Counting costs a heap query per call, so it is switched on only while memory is measured.
bool g_counting = false;

void* CountedAlloc(size_t size)
{
    void* p = std::malloc(size != 0 ? size : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    if (g_counting)
    {
        g_liveBytes += static_cast<int64_t>(_msize(p));
        ++g_liveBlocks;
    }
    return p;
}

void CountedFree(void* p) noexcept
{
    if (p == nullptr)
        return;
    if (g_counting)
    {
        g_liveBytes -= static_cast<int64_t>(_msize(p));
        --g_liveBlocks;
    }
    std::free(p);
}
} // namespace

void* operator new(size_t size)
{
    return CountedAlloc(size);
}
void* operator new[](size_t size)
{
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, size_t) noexcept
{
    CountedFree(p);
}

namespace
{
class Stopwatch
{
public:
    Stopwatch()
    {
        QueryPerformanceFrequency(&m_frequency);
        QueryPerformanceCounter(&m_start);
    }
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

// Private memory of the process; Wine reports it as the page-file usage.
int64_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return static_cast<int64_t>(counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage);
}

// Counts created items the way the monitor's files count does.
class CountingObserver : public ITreeItemObserver
{
public:
    void OnItemCreated(CQTreeItem*) override { ++created; }
    uint64_t created = 0;
};

struct Root : CQTreeItemFolder
{
    Root() { m_row.SetHandle(TVI_ROOT); }
};

const wchar_t* const kWords[] = {L"cache",   L"logs",    L"data",   L"config",  L"temp",
                                 L"assets",  L"shader",  L"backup", L"profile", L"packages",
                                 L"index",   L"thumbs",  L"crash",  L"update",  L"module",
                                 L"session", L"storage", L"media",  L"fonts",   L"drivers"};
const wchar_t* const kExtensions[] = {L"tmp", L"log", L"dat", L"db", L"json", L"bin", L"etl", L"pf"};
const wchar_t* const kTops[] = {
    L"Windows",      L"Users", L"Program Files", L"ProgramData", L"Program Files (x86)",
    L"$Recycle.Bin", L"build", L"games"};

// Distinct paths of depth 3 to 10 below two drives: about 100,000 folders grown at random places, and
// three folders that receive 50,000 files each. Files arrive in bursts of up to 16 per folder, as programs
// write them; with shuffled set, in no order at all (the worst case for memory locality).
std::vector<std::wstring> MakePaths(size_t count, bool shuffled)
{
    std::mt19937 random(12345);
    struct Folder
    {
        std::wstring path;
        int depth; // components, the drive included
    };
    std::vector<Folder> folders;
    for (const wchar_t* drive : {L"C:", L"D:"})
    {
        for (const wchar_t* top : kTops)
            folders.push_back({std::wstring(drive) + L"\\" + top, 2});
    }
    wchar_t buffer[64];
    while (folders.size() < 100000)
    {
        const Folder& parent = folders[random() % folders.size()];
        if (parent.depth >= 9)
            continue;
        swprintf(buffer, 64, L"\\%ls%u", kWords[random() % 20], unsigned(random() % 1000));
        folders.push_back({parent.path + buffer, parent.depth + 1});
    }
    const wchar_t* const wide[] = {L"C:\\Users\\alice\\AppData\\Local\\Temp\\cache2\\entries",
                                   L"C:\\Windows\\SoftwareDistribution\\Download\\chunks",
                                   L"D:\\build\\obj\\x64\\Release\\intermediate"};
    size_t wideLeft[3] = {50000, 50000, 50000};
    std::vector<std::wstring> paths;
    paths.reserve(count);
    while (paths.size() < count)
    {
        const size_t which = random() % 20;
        const bool toWide = which < 3 && wideLeft[which] > 0;
        const std::wstring& folder =
            toWide ? std::wstring(wide[which]) : folders[random() % folders.size()].path;
        size_t burst = 1 + random() % 16;
        if (toWide)
        {
            burst = std::min(burst, wideLeft[which]);
            wideLeft[which] -= burst;
        }
        for (size_t i = 0; i < burst && paths.size() < count; ++i)
        {
            // About 20 characters, unique through the running number.
            swprintf(buffer, 64, L"\\%ls_%08u.%ls", kWords[random() % 20], unsigned(paths.size()),
                     kExtensions[random() % 8]);
            paths.push_back(folder + buffer);
        }
    }
    if (shuffled)
        std::shuffle(paths.begin(), paths.end(), random);
    return paths;
}

void CollectAtDepth(CQTreeItem* item, int depth, int wanted, std::vector<CQTreeItem*>& out, size_t limit)
{
    if (out.size() >= limit)
        return;
    if (depth == wanted)
    {
        out.push_back(item);
        return;
    }
    for (int i = 0; i < item->m_arrChildren.GetSize() && out.size() < limit; ++i)
        CollectAtDepth(item->m_arrChildren[i], depth + 1, wanted, out, limit);
}

// Each path as the processing thread handles a path it has not seen: split, then FindOrInsert on the root.
double InsertAll(CQTreeItemFolder& root, const std::vector<std::wstring>& paths)
{
    uint64_t check = 0;
    Stopwatch watch;
    for (const std::wstring& path : paths)
    {
        std::vector<std::wstring_view> parts;
        SplitPath(path, parts);
        check += reinterpret_cast<uintptr_t>(root.FindOrInsert(parts, 0, 1)) & 1;
    }
    const double seconds = watch.Seconds();
    if (check == UINT64_MAX)
        std::printf("unlikely\n");
    return seconds;
}

// Building the realistic tree with every allocation counted, on the fresh heap of its own process.
// Where the bytes of a tree go: item objects, names, child arrays (used and unused slots); the rest of the
// arena is what grown arrays left behind.
void PrintBreakdown(CQTreeItemFolder& root, double items)
{
    double objects = 0, names = 0, slots = 0, spare = 0;
    std::vector<const CQTreeItem*> pending{&root};
    while (!pending.empty())
    {
        const CQTreeItem* item = pending.back();
        pending.pop_back();
        objects += item->GetType() == 1 ? sizeof(CQTreeItemFolder) : sizeof(CQTreeItemFile);
        const size_t length = item->m_csName.length();
        names += length == 0 ? 0 : item->m_csName.IsNarrow() ? 1 + length : 6 + 2 * (length + 1);
        const int count = item->m_arrChildren.GetSize();
        const int capacity = item->m_arrChildren.GetCapacity();
        slots += 9.0 * count;
        spare += capacity > 0 ? 8 + 9.0 * (capacity - count) : 0;
        for (int i = 0; i < count; ++i)
            pending.push_back(item->m_arrChildren[i]);
    }
    CQTreeArena& arena = root.ProvideArena();
    std::printf(
        "  per item: objects %.1f, names %.1f, child slots and tags %.1f, unused slots and headers %.1f; "
        "arena used %.1f, reserved %.1f\n",
        objects / items, names / items, slots / items, spare / items, arena.GetUsedBytes() / items,
        arena.GetReservedBytes() / items);
}

// Building the realistic tree with every allocation counted, on the fresh heap of its own process.
void TreeMemoryBenchmark()
{
    const std::vector<std::wstring> paths = MakePaths(1000000, false);
    CountingObserver observer;
    SetTreeItemObserver(&observer);
    Root root;
    g_counting = true;
    const int64_t bytesBefore = g_liveBytes;
    const int64_t blocksBefore = g_liveBlocks;
    const int64_t privateBefore = PrivateBytes();
    InsertAll(root, paths);
    const double items = double(observer.created);
    // The tree's own arena is not heap memory: its used bytes are added to what the heap handed out.
    const double arenaBytes = double(root.ProvideArena().GetUsedBytes());
    std::printf(
        "Realistic tree of %.0f items: %.1f requested bytes/item in %.2f heap blocks/item, %.1f private "
        "bytes/item\n",
        items, (double(g_liveBytes - bytesBefore) + arenaBytes) / items,
        double(g_liveBlocks - blocksBefore) / items, double(PrivateBytes() - privateBefore) / items);
    g_counting = false;
    PrintBreakdown(root, items);
    SetTreeItemObserver(nullptr);
}

void InsertBenchmark(bool shuffled)
{
    const size_t count = 1000000;
    const std::vector<std::wstring> paths = MakePaths(count, shuffled);

    CountingObserver observer;
    SetTreeItemObserver(&observer);
    Root root;
    const double seconds = InsertAll(root, paths);
    std::printf("%s order: %zu new paths, %llu items created, %.3f s: %.0f new paths/s\n",
                shuffled ? "Shuffled" : "Bursty", count, (unsigned long long)observer.created, seconds,
                count / seconds);
    std::printf("  the same paths again (all found): %.0f paths/s\n", count / InsertAll(root, paths));
    uint64_t check = 0;
    Stopwatch split;
    for (const std::wstring& path : paths)
    {
        std::vector<std::wstring_view> parts;
        check += SplitPath(path, parts);
    }
    std::printf("  SplitPath alone: %.0f paths/s (%llu components)\n", count / split.Seconds(),
                (unsigned long long)check);

    if (!shuffled)
    {
        // 4096 items of depth 6 picked at random all over the tree.
        std::vector<CQTreeItem*> items;
        CollectAtDepth(&root, 0, 6, items, SIZE_MAX);
        std::shuffle(items.begin(), items.end(), std::mt19937(7));
        items.resize(std::min<size_t>(items.size(), 4096));
        CQProcess processes[3];
        for (uint32_t i = 0; i < 3; ++i)
            processes[i].m_dwordIndex = i;
        const size_t calls = 10000000;
        Stopwatch writes;
        for (size_t i = 0; i < calls; ++i)
            items[i % items.size()]->AddWrite((i * 977) & 0xFFFF, nullptr);
        const double writeSeconds = writes.Seconds();
        Stopwatch attributed;
        for (size_t i = 0; i < calls; ++i)
            items[i % items.size()]->AddWrite((i * 977) & 0xFFFF, &processes[i % 3]);
        const double attributedSeconds = attributed.Seconds();
        std::printf(
            "AddWrite on %zu items of depth 6: %.0f calls/s without a process, %.0f calls/s with one of "
            "three (root total %llu)\n",
            items.size(), calls / writeSeconds, calls / attributedSeconds,
            (unsigned long long)root.m_qwordWrittenWithSubitems);
    }

    Stopwatch clear;
    root.RemoveAllChildren();
    std::printf("  RemoveAllChildren of %llu items: %.3f s\n", (unsigned long long)observer.created,
                clear.Seconds());
    // Built again into the heap the first tree left behind: the tree's own cost without fresh pages.
    const double again = InsertAll(root, paths);
    std::printf("  rebuilt after clearing (heap already grown): %.0f new paths/s\n", count / again);
    SetTreeItemObserver(nullptr);
}

// The cost of a plain file item: 20-character names, ten files to a folder, no links, no lookup index.
void MemoryPerItemBenchmark()
{
    const int folders = 100000, filesPerFolder = 10;
    Root root;
    CQTreeItemFolder* drive = static_cast<CQTreeItemFolder*>(root.AddFileChild(L"C:", 0));
    g_counting = true;
    const int64_t bytesBefore = g_liveBytes;
    const int64_t privateBefore = PrivateBytes();
    wchar_t name[32];
    for (int f = 0; f < folders; ++f)
    {
        swprintf(name, 32, L"folder_name_%08d", f);
        CQTreeItemFolder* folder = static_cast<CQTreeItemFolder*>(drive->AddFileChild(name, 0));
        for (int i = 0; i < filesPerFolder; ++i)
        {
            swprintf(name, 32, L"file_name_%06d.dat", i); // 20 characters
            folder->AddFileChild(name, 1);
        }
    }
    const double items = double(folders) * (filesPerFolder + 1);
    std::printf("Memory per item (20-character names, no links): %.1f requested bytes, %.1f private bytes\n",
                (double(g_liveBytes - bytesBefore) + double(root.ProvideArena().GetUsedBytes())) / items,
                double(PrivateBytes() - privateBefore) / items);
    g_counting = false;
    std::printf("  sizeof file item %zu, folder item %zu, name block %zu bytes\n", sizeof(CQTreeItemFile),
                sizeof(CQTreeItemFolder), size_t(1 + 20));
}
// Each part runs in a process of its own, so that none inherits the heap another one has grown.
int RunPart(const wchar_t* part)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" " + part;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::fflush(stdout);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
    {
        std::printf("could not start the part %ls\n", part);
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2)
    {
        int failed = 0;
        for (const wchar_t* part : {L"memory", L"tree-memory", L"bursty", L"shuffled"})
            failed |= RunPart(part);
        return failed;
    }
    const std::wstring part = argv[1];
    if (part == L"memory")
        MemoryPerItemBenchmark();
    else if (part == L"tree-memory")
        TreeMemoryBenchmark();
    else if (part == L"bursty")
        InsertBenchmark(false);
    else if (part == L"shuffled")
        InsertBenchmark(true);
    else
        std::printf("parts: memory, tree-memory, bursty, shuffled\n");
    std::fflush(stdout);
    return 0;
}
