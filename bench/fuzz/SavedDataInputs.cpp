#include "fuzz/SavedDataInputs.h"

#include <algorithm>
#include <cstring>

#include "app/SettingsRunTime.h"
#include "data/Crc32c.h"
#include "data/SaveTrailer.h"
#include "data/TreeItem.h"
#include "engine/Monitor.h"
#include "fuzz/FuzzRandom.h"
#include "fuzz/Supervisor.h"

namespace
{
// Values that sit on the edges of what the reader checks.
const uint32_t kBoundaries[] = {
    0,   1,   2,   3,   4,   0x7F, 0x80,  0xFF,  0x100, 0x7FFF,     0x8000,     0xFFFF,     0x10000,
    260, 261, 520, 521, 522, 523,  16383, 16384, 16385, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
const uint64_t kCounterValues[] = {
    0, 1, 0xFFF, 0x1000, 0x7FFFFFFFFFFFFFFFULL, 0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL};

// A monitor of its own, filled as the processing thread fills one.
class SeedMonitor
{
public:
    explicit SeedMonitor(const std::wstring& folder)
    {
        m_runTime.m_csDataFolder = folder;
        m_monitor.m_pSettingsRunTime = &m_runTime;
        AddDrive(L"\\Device\\HarddiskVolume7", L"Q:");
        AddDrive(L"\\Device\\HarddiskVolume8", L"R:");
        m_monitor.m_stats.m_int64LastTimeStamp = 1700000000;
        m_monitor.m_stats.m_qwordMonitoringSeconds = 86400 * 3 + 17;
        m_monitor.m_stats.m_qwordRead = 123456789;
    }

    void Write(const std::wstring& devicePath, uint64_t bytes, const wchar_t* process)
    {
        std::wstring resolved;
        m_monitor.ResolvePath(devicePath, resolved);
        CQLock lock(m_monitor.m_lockData);
        CQTreeItem* item = m_monitor.FindOrCreateItem(resolved);
        QueueEntry entry;
        entry.m_csProcessName = process != nullptr ? process : L"";
        entry.m_qwordBytes = bytes;
        item->AddWrite(bytes, process != nullptr ? m_monitor.FindOrAddProcess(entry) : nullptr);
        m_monitor.m_stats.m_qwordWritten += bytes;
        m_monitor.m_stats.m_qwordWrittenAligned += CQTreeItem::AlignSize(bytes);
        m_monitor.m_stats.m_qwordOperations += 1;
    }

    // The format's bytes without the save's trailer, so that the changes meet the format's own reading.
    Bytes Saved()
    {
        Bytes bytes;
        if (m_monitor.SaveData() && FuzzReadFile(m_monitor.GetDataFilePath(), bytes) &&
            bytes.size() >= kSaveTrailerBytes)
            bytes.resize(bytes.size() - kSaveTrailerBytes);
        return bytes;
    }

private:
    void AddDrive(const wchar_t* volume, const wchar_t* letter)
    {
        CQDriveItem* drive = new CQDriveItem;
        drive->SetVolumeName(volume);
        drive->m_csLetter = letter;
        m_monitor.m_arrDrives.Add(drive);
    }

    CQSettingsRunTime m_runTime;
    CQMonitor m_monitor;
};

const wchar_t* const kProcesses[] = {L"explorer.exe", L"svchost.exe", L"MsMpEng.exe", L"chrome.exe",
                                     L"Code.exe",     L"devenv.exe",  L"7zFM.exe",    L"System",
                                     L"OneDrive.exe", L"msedge.exe",  L"python.exe",  L"< unknown >"};

uint32_t ReadU32(const Bytes& bytes, size_t offset)
{
    uint32_t value = 0;
    memcpy(&value, bytes.data() + offset, 4);
    return value;
}

void WriteU32(Bytes& bytes, size_t offset, uint32_t value)
{
    if (offset + 4 <= bytes.size())
        memcpy(bytes.data() + offset, &value, 4);
}

// Reads the layout forward; stops quietly where the bytes end or make no sense.
class LayoutReader
{
public:
    LayoutReader(const Bytes& bytes, SavedDataLayout& layout) : m_bytes(bytes), m_layout(layout) {}

    void Read()
    {
        if (!Count() || !Block(56, 7))
            return;
        const size_t processesAt = m_pos;
        if (!Count())
            return;
        const uint32_t processes = ReadU32(m_bytes, processesAt);
        for (uint32_t i = 0; i < processes; ++i)
        {
            if (!Block(8, 1) || !Count() || !Text())
                return;
        }
        ReadTree();
    }

private:
    bool Has(size_t count) const { return m_pos + count <= m_bytes.size(); }
    bool Count()
    {
        if (!Has(4))
            return false;
        m_layout.fields.push_back(m_pos);
        m_layout.counts.push_back(m_pos);
        m_pos += 4;
        return true;
    }
    bool Block(size_t size, size_t counters)
    {
        if (!Has(size))
            return false;
        for (size_t i = 0; i < counters; ++i)
        {
            m_layout.fields.push_back(m_pos + i * 8);
            m_layout.counters.push_back(m_pos + i * 8);
        }
        m_pos += size;
        return true;
    }
    bool Text()
    {
        const size_t at = m_pos;
        if (!Count())
            return false;
        const uint32_t length = ReadU32(m_bytes, at);
        if (!Has(length))
            return false;
        if (length != 0)
            m_layout.fields.push_back(m_pos);
        m_pos += length;
        return true;
    }
    // Version, name, counters and links of one item record; children is its child count.
    bool Header(uint32_t& children, size_t& childCountAt)
    {
        if (!Count() || !Text() || !Block(24, 3))
            return false;
        const size_t linksAt = m_pos;
        if (!Count())
            return false;
        const uint32_t links = ReadU32(m_bytes, linksAt);
        for (uint32_t i = 0; i < links; ++i)
        {
            if (!Block(8, 1) || !Count())
                return false;
        }
        childCountAt = m_pos;
        if (!Count())
            return false;
        children = ReadU32(m_bytes, childCountAt);
        return true;
    }
    void ReadTree()
    {
        struct Level
        {
            int item; // index in the layout's items, -1 for the root
            uint32_t remaining;
            size_t childCountAt;
        };
        std::vector<Level> stack;
        uint32_t children = 0;
        size_t childCountAt = 0;
        if (!Header(children, childCountAt))
            return;
        stack.push_back({-1, children, childCountAt});
        while (!stack.empty())
        {
            const size_t top = stack.size() - 1;
            if (stack[top].remaining == 0)
            {
                if (stack[top].item >= 0)
                    m_layout.items[static_cast<size_t>(stack[top].item)].end = m_pos;
                stack.pop_back();
                continue;
            }
            --stack[top].remaining;
            const size_t start = m_pos;
            if (!Count())
                return;
            const uint32_t type = ReadU32(m_bytes, start);
            if (type > 1 || !Header(children, childCountAt))
                return;
            m_layout.items.push_back({start, m_bytes.size(), stack[top].childCountAt});
            stack.push_back({static_cast<int>(m_layout.items.size() - 1), children, childCountAt});
        }
    }

    const Bytes& m_bytes;
    SavedDataLayout& m_layout;
    size_t m_pos = 0;
};

// A place to cut or splice: a field's first byte mostly, any byte sometimes.
size_t CutPoint(FuzzRandom& random, const Bytes& bytes, const SavedDataLayout& layout)
{
    if (!layout.fields.empty() && !random.OneIn(4))
        return layout.fields[random.Below(layout.fields.size())] + (random.OneIn(4) ? random.Below(5) : 0);
    return random.Below(bytes.size() + 1);
}

void FlipBits(FuzzRandom& random, Bytes& bytes)
{
    const size_t flips = 1 + random.Below(8);
    for (size_t i = 0; i < flips && !bytes.empty(); ++i)
        bytes[random.Below(bytes.size())] ^= static_cast<BYTE>(1u << random.Below(8));
}

void OverwriteAnywhere(FuzzRandom& random, Bytes& bytes)
{
    if (bytes.size() < 4)
        return;
    const size_t at = random.Below(bytes.size() - 3);
    WriteU32(bytes, at, random.Pick(kBoundaries));
}

// One change that knows where the fields lie.
void ChangeField(FuzzRandom& random, Bytes& bytes, const SavedDataLayout& layout)
{
    if (!layout.counters.empty() && random.OneIn(6))
    {
        const size_t at = layout.counters[random.Below(layout.counters.size())];
        const uint64_t value = random.Pick(kCounterValues);
        if (at + 8 <= bytes.size())
            memcpy(bytes.data() + at, &value, 8);
        return;
    }
    if (layout.counts.empty())
        return;
    const size_t at = layout.counts[random.Below(layout.counts.size())];
    if (at + 4 > bytes.size())
        return;
    const uint32_t old = ReadU32(bytes, at);
    uint32_t value = random.Pick(kBoundaries);
    switch (random.Below(4))
    {
    case 0:
        value = old + 1;
        break;
    case 1:
        value = old - 1;
        break;
    case 2:
        // The bytes that remain, or one more: a length that just fits or just does not.
        value = static_cast<uint32_t>(bytes.size() - at - 4 + random.Below(2));
        break;
    default:
        break;
    }
    WriteU32(bytes, at, value);
}

// A copy of one item record (with its subtree) right after it; the parent's count is raised to match
// most of the time.
void DuplicateSubtree(FuzzRandom& random, Bytes& bytes, const SavedDataLayout& layout)
{
    if (layout.items.empty())
        return;
    // Small subtrees mostly: the large seeds would otherwise double in size every time.
    const SavedDataLayout::Item* item = &layout.items[random.Below(layout.items.size())];
    for (int tries = 0; tries < 4 && item->end - item->start > 65536; ++tries)
        item = &layout.items[random.Below(layout.items.size())];
    if (item->end > bytes.size() || item->end <= item->start)
        return;
    const Bytes copy(bytes.begin() + static_cast<ptrdiff_t>(item->start),
                     bytes.begin() + static_cast<ptrdiff_t>(item->end));
    if (!random.OneIn(4))
        WriteU32(bytes, item->parentChildCountOffset, ReadU32(bytes, item->parentChildCountOffset) + 1);
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(item->end), copy.begin(), copy.end());
}

void InsertOrDelete(FuzzRandom& random, Bytes& bytes)
{
    const size_t at = random.Below(bytes.size() + 1);
    const size_t count = 1 + random.Below(16);
    if (random.OneIn(2))
    {
        for (size_t i = 0; i < count; ++i)
            bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), static_cast<BYTE>(random.Next()));
    }
    else
    {
        const size_t end = std::min(bytes.size(), at + count);
        bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(end));
    }
}

size_t PickSeed(FuzzRandom& random, size_t seeds)
{
    // Empty, small, large, deep: the large ones cost the most per input.
    static const size_t weights[] = {20, 71, 8, 1};
    size_t roll = random.Below(100);
    for (size_t i = 0; i < seeds && i < 4; ++i)
    {
        if (roll < weights[i])
            return i;
        roll -= weights[i];
    }
    return seeds - 1;
}
} // namespace

std::vector<Bytes> MakeSavedDataSeeds(const std::wstring& scratchFolder)
{
    std::vector<Bytes> seeds;
    {
        SeedMonitor empty(scratchFolder);
        seeds.push_back(empty.Saved());
    }
    {
        SeedMonitor small(scratchFolder);
        small.Write(L"\\Device\\HarddiskVolume7\\Users\\me\\Documents\\report.docx", 65536, kProcesses[0]);
        small.Write(L"\\Device\\HarddiskVolume7\\Users\\me\\Documents\\report.docx", 100, kProcesses[4]);
        small.Write(L"\\Device\\HarddiskVolume7\\Windows\\Logs\\CBS\\CBS.log", 4097, kProcesses[1]);
        small.Write(L"\\Device\\HarddiskVolume7\\$LogFile", 8192, kProcesses[7]);
        small.Write(L"\\Device\\HarddiskVolume8\\backup\\\x00e9t\x00e9.bin", 1 << 20, kProcesses[6]);
        small.Write(L"\\Device\\HarddiskVolume99\\elsewhere.txt", 3, kProcesses[11]);
        small.Write(L"", 0, nullptr);
        seeds.push_back(small.Saved());
    }
    {
        SeedMonitor large(scratchFolder);
        for (int i = 0; i < 1500; ++i)
            large.Write(L"\\Device\\HarddiskVolume7\\wide\\f" + std::to_wstring(i) + L".tmp", 512 + i,
                        kProcesses[i % 12]);
        std::wstring deep = L"\\Device\\HarddiskVolume7\\deep";
        for (int i = 0; i < 200; ++i)
        {
            deep += L"\\level" + std::to_wstring(i);
            if (i % 20 == 0)
                large.Write(deep + L"\\here.txt", 4096, kProcesses[i % 5]);
        }
        for (int d = 0; d < 30; ++d)
        {
            for (int f = 0; f < 30; ++f)
                large.Write(L"\\Device\\HarddiskVolume8\\proj\\sub" + std::to_wstring(d) + L"\\file" +
                                std::to_wstring(f) + L".c",
                            static_cast<uint64_t>(d * 1000 + f), kProcesses[(d + f) % 12]);
        }
        large.Write(L"\\Device\\HarddiskVolume8\\" + std::wstring(255, L'n'), 1, kProcesses[2]);
        seeds.push_back(large.Saved());
    }
    {
        // Deeper than a load follows, so the load stops at its limit and keeps what lies above it.
        SeedMonitor deep(scratchFolder);
        std::wstring path = L"\\Device\\HarddiskVolume7";
        for (int i = 0; i < 16400; ++i)
            path += L"\\d";
        deep.Write(path, 7, kProcesses[3]);
        seeds.push_back(deep.Saved());
    }
    for (const Bytes& seed : seeds)
    {
        if (seed.empty())
            return {};
    }
    return seeds;
}

void ReadSavedDataLayout(const Bytes& bytes, SavedDataLayout& layout)
{
    layout = SavedDataLayout();
    LayoutReader(bytes, layout).Read();
}

Bytes MakeSavedDataInput(const std::vector<Bytes>& seeds, const std::vector<SavedDataLayout>& layouts,
                         uint64_t runSeed, uint64_t index)
{
    FuzzRandom random(runSeed, index);
    const size_t chosen = PickSeed(random, seeds.size());
    Bytes bytes = seeds[chosen];
    const SavedDataLayout& layout = layouts[chosen];

    switch (random.Below(6))
    {
    case 0:
    case 1:
        ChangeField(random, bytes, layout);
        break;
    case 2:
        bytes.resize(CutPoint(random, bytes, layout));
        break;
    case 3:
    {
        // The front of one file, the back of another.
        const size_t other = PickSeed(random, seeds.size());
        const size_t cut = std::min(bytes.size(), CutPoint(random, bytes, layout));
        const size_t from = std::min(seeds[other].size(), CutPoint(random, seeds[other], layouts[other]));
        bytes.resize(cut);
        bytes.insert(bytes.end(), seeds[other].begin() + static_cast<ptrdiff_t>(from), seeds[other].end());
        break;
    }
    case 4:
        DuplicateSubtree(random, bytes, layout);
        break;
    default:
        FlipBits(random, bytes);
        break;
    }
    // Blind changes on top, a third of the time.
    while (random.OneIn(3))
    {
        switch (random.Below(4))
        {
        case 0:
            FlipBits(random, bytes);
            break;
        case 1:
            OverwriteAnywhere(random, bytes);
            break;
        case 2:
            InsertOrDelete(random, bytes);
            break;
        default:
            bytes.resize(random.Below(bytes.size() + 1));
            break;
        }
    }
    // A quarter end in a trailer that verifies: the load then also meets files that prove themselves
    // complete but are not.
    if (random.OneIn(4))
    {
        BYTE trailer[kSaveTrailerBytes];
        FormatSaveTrailer(Crc32c(0, bytes.data(), bytes.size()), bytes.size(), random.Below(3), trailer);
        bytes.insert(bytes.end(), trailer, trailer + sizeof(trailer));
    }
    return bytes;
}
