#include "fuzz/ReplyInputs.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/WrimonProtocol.h"
#include "fuzz/FuzzRandom.h"

namespace
{
using Bytes = std::vector<BYTE>;

const uint32_t kLengths[] = {0,    1,    2,          47,         48,         49,        50,  51,
                             52,   63,   64,         65,         66,         100,       512, 4095,
                             4096, 4097, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
const uint32_t kRecordTypes[] = {0,
                                 WrimonRecordTypeTag,
                                 WrimonRecordTypeOutOfMemory,
                                 WrimonRecordTypeExceededMemory,
                                 WrimonRecordTypeOutOfMemory | WrimonRecordTypeExceededMemory,
                                 WrimonRecordTypeTag | WrimonRecordTypeOutOfMemory,
                                 0xFFFFFFFF};
const wchar_t* const kNames[] = {
    L"\\Device\\HarddiskVolume1\\Users\\me\\AppData\\Local\\Temp\\a.tmp",
    L"\\Device\\HarddiskVolume1\\$LogFile",
    L"\\Device\\HarddiskVolume1\\$Extend\\$UsnJrnl:$J",
    L"\\Device\\HarddiskVolume1\\pagefile.sys",
    L"\\Device\\HarddiskVolume2",
    L"\\Device\\HarddiskVolume12\\x",
    L"\\??\\C:\\mount\\point",
    L"$",
    L"",
};

void PutU32(Bytes& bytes, size_t offset, uint32_t value)
{
    if (offset + 4 <= bytes.size())
        memcpy(bytes.data() + offset, &value, 4);
}

void PutU16(Bytes& bytes, size_t offset, uint16_t value)
{
    if (offset + 2 <= bytes.size())
        memcpy(bytes.data() + offset, &value, 2);
}

void AppendWide(Bytes& bytes, const std::wstring& text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.data());
    bytes.insert(bytes.end(), p, p + text.size() * 2);
}

// A name area: a device path with or without its NUL, odd lengths, random characters, a '$' behind the NUL.
Bytes NameArea(FuzzRandom& random)
{
    Bytes area;
    std::wstring name = random.Pick(kNames);
    if (random.OneIn(4))
    {
        const size_t length = random.Below(300);
        name.clear();
        for (size_t i = 0; i < length; ++i)
            name += static_cast<wchar_t>(random.OneIn(8) ? L'$' : random.Next() & 0xFFFF);
    }
    AppendWide(area, name);
    switch (random.Below(6))
    {
    case 0: // no terminator: the name runs to the record's end
        break;
    case 1: // a '$' that lies behind the terminator does not count
        AppendWide(area, std::wstring(1, L'\0') + L"$");
        break;
    case 2: // an odd last byte
        AppendWide(area, std::wstring(1, L'\0'));
        area.push_back(0x24);
        break;
    default:
        AppendWide(area, std::wstring(1, L'\0'));
        break;
    }
    return area;
}

// A tag record's name area: the 16-byte head and a path buffer of any size.
Bytes TagArea(FuzzRandom& random, uint64_t index, bool sweep)
{
    const size_t buffer = random.OneIn(3) ? random.Below(600) : random.Below(40);
    Bytes area(16 + buffer);
    for (size_t i = 16; i < area.size(); ++i)
        area[i] = static_cast<BYTE>(random.OneIn(2) ? 'a' + random.Below(26) : random.Next());
    PutU32(area, 0, random.OneIn(8) ? static_cast<uint32_t>(random.Next()) : WrimonTagMountPoint);
    const uint16_t lengths[] = {0,
                                1,
                                2,
                                3,
                                452,
                                453,
                                454,
                                455,
                                456,
                                static_cast<uint16_t>(buffer),
                                static_cast<uint16_t>(buffer + 1),
                                static_cast<uint16_t>(buffer - 1),
                                0xFFFF};
    // Every substitute-name length comes up in turn, besides the edges.
    const uint16_t length = sweep ? static_cast<uint16_t>(index / 4) : random.Pick(lengths);
    PutU16(area, 8, static_cast<uint16_t>(random.Next()));
    PutU16(area, 10, length);
    return area;
}

Bytes Record(FuzzRandom& random, uint64_t index, bool sweepTag)
{
    const bool tag = sweepTag || random.OneIn(4);
    Bytes record(WrimonHeaderSize);
    uint32_t recordType = random.Pick(kRecordTypes);
    if (tag)
        recordType |= WrimonRecordTypeTag;
    else if (random.OneIn(2))
        recordType &= ~WrimonRecordTypeTag;
    PutU32(record, offsetof(WrimonRecordHeader, RecordType), recordType);
    PutU32(record, offsetof(WrimonRecordHeader, ProcessId),
           random.OneIn(2) ? 4 : static_cast<uint32_t>(random.Next()));
    PutU32(record, offsetof(WrimonRecordHeader, RequestFlags),
           random.OneIn(3) ? WrimonRequestFlagSyncPagingIo : static_cast<uint32_t>(random.Next() & 0xFF));
    record[offsetof(WrimonRecordHeader, OperationCode)] =
        random.OneIn(5) ? static_cast<BYTE>(random.Next()) : WrimonOperationWrite;
    PutU32(record, offsetof(WrimonRecordHeader, WriteLength), static_cast<uint32_t>(random.Next()));
    const uint64_t read = random.OneIn(2) ? 0 : random.Next();
    memcpy(record.data() + offsetof(WrimonRecordHeader, ReadLength), &read, 8);
    const Bytes area = tag ? TagArea(random, index, sweepTag) : NameArea(random);
    record.insert(record.end(), area.begin(), area.end());
    // The driver pads to 8 bytes; not every record here does.
    if (!random.OneIn(4))
        record.resize((record.size() + 7) & ~size_t(7));
    PutU32(record, 0, static_cast<uint32_t>(record.size()));
    return record;
}

void Mutate(FuzzRandom& random, Bytes& reply, const std::vector<size_t>& starts)
{
    switch (random.Below(5))
    {
    case 0:
    case 1:
    {
        // A record's Length on an edge: too short, one off, just what remains, beyond the reply.
        const size_t at = starts[random.Below(starts.size())];
        if (at + 4 > reply.size())
            break;
        uint32_t length = random.Pick(kLengths);
        uint32_t current = 0;
        memcpy(&current, reply.data() + at, 4);
        const uint32_t remaining = static_cast<uint32_t>(reply.size() - at);
        const uint32_t choices[] = {current - 1, current + 1, remaining, remaining + 1, remaining - 1};
        if (random.OneIn(2))
            length = random.Pick(choices);
        PutU32(reply, at, length);
        break;
    }
    case 2:
        // Bytes returned short of the last record, or a tail shorter than a header.
        reply.resize(random.Below(reply.size() + 1));
        break;
    case 3:
        for (size_t i = random.Below(60); i > 0; --i)
            reply.push_back(static_cast<BYTE>(random.Next()));
        break;
    default:
        for (size_t flips = 1 + random.Below(6); flips > 0 && !reply.empty(); --flips)
            reply[random.Below(reply.size())] ^= static_cast<BYTE>(1u << random.Below(8));
        break;
    }
}
} // namespace

std::vector<BYTE> MakeReply(uint64_t runSeed, uint64_t index)
{
    FuzzRandom random(runSeed, index);
    Bytes reply;
    const size_t kind = random.Below(10);
    if (kind < 2)
    {
        // Random bytes, now and then behind a plausible first Length.
        reply.resize(random.Below(kLongestFuzzReply + 1));
        for (BYTE& b : reply)
            b = static_cast<BYTE>(random.Next());
        if (reply.size() >= 4 && random.OneIn(2))
            PutU32(reply, 0, static_cast<uint32_t>(50 + random.Below(reply.size())));
        return reply;
    }
    // A quarter of the replies sweep the substitute-name lengths with a single tag record.
    const bool sweep = kind == 2 || kind == 3;
    const size_t records = sweep ? 1 : 1 + random.Below(8);
    std::vector<size_t> starts;
    for (size_t i = 0; i < records; ++i)
    {
        const Bytes record = Record(random, index, sweep);
        if (reply.size() + record.size() > kLongestFuzzReply)
            break;
        starts.push_back(reply.size());
        reply.insert(reply.end(), record.begin(), record.end());
    }
    if (starts.empty())
        return reply;
    // Valid replies stay a third of the time.
    for (size_t changes = random.Below(3); changes > 0; --changes)
        Mutate(random, reply, starts);
    if (reply.size() > kLongestFuzzReply)
        reply.resize(kLongestFuzzReply);
    return reply;
}
