#include "engine/ReplyWalk.h"
#include "engine/WrimonProtocol.h"
#include "support/WrimonRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wrimon_test;

namespace
{

struct SeenRecord
{
    uint32_t processId;
    uint32_t writeLength;
    uint64_t readLength;
    uint32_t recordType;
    std::wstring name;
};

// The walk's output as one ordered list of events ("record:<name>" or "log:<line>") plus the records.
struct WalkResult
{
    size_t accepted = 0;
    std::vector<std::wstring> events;
    std::vector<SeenRecord> records;
};

WalkResult Walk(std::vector<BYTE>& reply, size_t bytesReturned)
{
    WalkResult result;
    result.accepted = WalkReply(
        reply.empty() ? nullptr : reply.data(), static_cast<uint32_t>(bytesReturned),
        [&result](const LogRecordView& record)
        {
            result.records.push_back(SeenRecord{record.ProcessId(), record.WriteLength(), record.ReadLength(),
                                                record.RecordType(), record.Name()});
            result.events.push_back(L"record:" + record.Name());
        },
        [&result](const wchar_t* line) { result.events.push_back(std::wstring(L"log:") + line); });
    return result;
}

WalkResult Walk(std::vector<BYTE>& reply)
{
    return Walk(reply, reply.size());
}

std::wstring Joined(const std::vector<std::wstring>& events)
{
    std::wstring text;
    for (const std::wstring& event : events)
        text += event + L" | ";
    return text;
}

RecordFields Named(const std::wstring& name, uint32_t length = 0)
{
    RecordFields fields;
    fields.name = name;
    fields.length = length;
    return fields;
}

} // namespace

TEST(ReplyWalkTest, RepliesShorterThanAHeaderYieldNothing)
{
    for (size_t size = 0; size < 48; ++size)
    {
        // Bytes that would look like a long record if the walk read them.
        std::vector<BYTE> reply(size, 0x3C);
        const WalkResult result = Walk(reply);
        EXPECT_EQ(0u, result.accepted) << "size " << size;
        EXPECT_TRUE(result.events.empty()) << "size " << size << ": " << Joined(result.events).c_str();
    }
}

TEST(ReplyWalkTest, RecordOfLength49IsRejected)
{
    std::vector<BYTE> reply = MakeRecord(Named(L"", 49));
    reply.resize(120, 0);
    const WalkResult result = Walk(reply);
    EXPECT_EQ(0u, result.accepted);
    ASSERT_EQ(1u, result.events.size()) << Joined(result.events);
    EXPECT_EQ(L"log:Unexpected record length", result.events[0]);
}

TEST(ReplyWalkTest, RecordOverrunningTheReplyEndsTheWalk)
{
    std::vector<BYTE> reply = MakeRecord(Named(L"\\a", 60));
    Append(reply, MakeRecord(Named(L"\\b", 70)));
    ASSERT_EQ(130u, reply.size());
    const WalkResult result = Walk(reply, 120);
    ASSERT_EQ(2u, result.events.size()) << Joined(result.events);
    EXPECT_EQ(L"record:\\a", result.events[0]);
    EXPECT_EQ(L"log:Unexpected record structure size", result.events[1]);
}

TEST(ReplyWalkTest, TailShorterThanAHeaderEndsQuietly)
{
    std::vector<BYTE> reply = MakeRecord(Named(L"\\a", 60));
    reply.resize(100, 0xFF); // 40 bytes that are no record
    const WalkResult result = Walk(reply);
    ASSERT_EQ(1u, result.events.size()) << Joined(result.events);
    EXPECT_EQ(L"record:\\a", result.events[0]);
}

TEST(ReplyWalkTest, TwoRecordsAreHandedOverInOrderWithTheirFields)
{
    RecordFields first = Named(L"\\Device\\HarddiskVolume2\\Users\\x\\a.txt");
    first.processId = 1234;
    first.writeLength = 4096;
    first.readLength = 0x100000000ULL;
    RecordFields second = Named(L"\\Device\\HarddiskVolume2\\b.log");
    second.processId = 88;
    second.writeLength = 17;
    // An odd length puts the second record at an odd offset: fields are read byte-wise.
    first.length = static_cast<uint32_t>(48 + (first.name.size() + 1) * 2 + 1);
    std::vector<BYTE> reply = MakeRecord(first);
    Append(reply, MakeRecord(second));

    const WalkResult result = Walk(reply);
    ASSERT_EQ(2u, result.records.size()) << Joined(result.events);
    EXPECT_EQ(1234u, result.records[0].processId);
    EXPECT_EQ(4096u, result.records[0].writeLength);
    EXPECT_EQ(0x100000000ULL, result.records[0].readLength);
    EXPECT_EQ(first.name, result.records[0].name);
    EXPECT_EQ(88u, result.records[1].processId);
    EXPECT_EQ(17u, result.records[1].writeLength);
    EXPECT_EQ(second.name, result.records[1].name);
    EXPECT_EQ(2u, result.events.size());
}

TEST(ReplyWalkTest, MountPointTagTakesTheSubstituteName)
{
    const std::wstring path = L"\\??\\Volume{0123456789}\\target\\more";
    struct Case
    {
        uint16_t substituteLength;
        size_t expectedChars;
    };
    const Case cases[] = {{20, 10}, {1000, 227}, {454, 227}, {21, 10}, {0, 0}};
    for (const Case& c : cases)
    {
        std::wstring longPath;
        while (longPath.size() < 600)
            longPath += path;
        std::vector<BYTE> reply = MakeTagRecord(0xA0000003, c.substituteLength, longPath);
        const WalkResult result = Walk(reply);
        ASSERT_EQ(1u, result.records.size()) << "length " << c.substituteLength;
        EXPECT_EQ(longPath.substr(0, c.expectedChars), result.records[0].name)
            << "length " << c.substituteLength;
        // The NUL sits right after the kept characters.
        EXPECT_EQ(0, reply[48 + c.expectedChars * 2]);
        EXPECT_EQ(0, reply[48 + c.expectedChars * 2 + 1]);
    }
}

TEST(ReplyWalkTest, MountPointTagNeverWritesBeyondItsRecord)
{
    // Records too short for the substitute name they announce, each followed by guard bytes that are
    // not part of the reply.
    const uint32_t lengths[] = {50, 51, 52, 58, 60, 63, 64, 65, 66, 80, 101};
    for (uint32_t length : lengths)
    {
        const std::wstring path = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        std::vector<BYTE> reply = MakeTagRecord(0xA0000003, 400, path, length);
        ASSERT_EQ(length, reply.size());
        reply.resize(length + 64, 0xCC);
        const WalkResult result = Walk(reply, length);
        for (size_t i = length; i < reply.size(); ++i)
            ASSERT_EQ(0xCC, reply[i]) << "length " << length << " wrote byte " << i;
        if (length < 52)
        {
            // The tag itself lies partly outside the record: not a mount point, so skipped.
            EXPECT_EQ(0u, result.accepted) << "length " << length;
            continue;
        }
        ASSERT_EQ(1u, result.records.size()) << "length " << length;
        const size_t keptChars = length > 64 ? (length - 64) / 2 : 0;
        EXPECT_EQ(path.substr(0, keptChars), result.records[0].name) << "length " << length;
    }
}

TEST(ReplyWalkTest, OtherTagsAreSkippedWithoutLogLines)
{
    std::vector<BYTE> reply = MakeTagRecord(0x8000000C, 20, L"\\symlink\\x", 0, 0x10000000 | 0x20000000);
    Append(reply, MakeRecord(Named(L"\\after")));
    const WalkResult result = Walk(reply);
    EXPECT_EQ(1u, result.accepted);
    ASSERT_EQ(1u, result.events.size()) << Joined(result.events);
    EXPECT_EQ(L"record:\\after", result.events[0]);
}

TEST(ReplyWalkTest, MemoryFlagsFollowTheRecord)
{
    struct Case
    {
        uint32_t recordType;
        const wchar_t* line;
    };
    const Case cases[] = {
        {0x10000000, L"log:Out of memory"},
        {0x20000000, L"log:Exceeded maximum allowed memory"},
        {0x30000000, L"log:Out of memory"},
        {0x30000000 | 0x4 | 0x1, nullptr}, // a tag record without a mount-point tag: skipped whole
    };
    for (const Case& c : cases)
    {
        RecordFields fields = Named(L"\\x");
        fields.recordType = c.recordType;
        std::vector<BYTE> reply = MakeRecord(fields);
        const WalkResult result = Walk(reply);
        if (c.line == nullptr)
        {
            EXPECT_TRUE(result.events.empty()) << Joined(result.events);
            continue;
        }
        ASSERT_EQ(2u, result.events.size())
            << std::hex << c.recordType << ": " << Joined(result.events).c_str();
        EXPECT_EQ(L"record:\\x", result.events[0]);
        EXPECT_EQ(c.line, result.events[1]);
    }
}

TEST(ReplyWalkTest, WalkWithoutSinksStillCounts)
{
    std::vector<BYTE> reply = MakeRecord(Named(L"\\a"));
    Append(reply, MakeRecord(Named(L"\\b")));
    EXPECT_EQ(2u, WalkReply(reply.data(), static_cast<uint32_t>(reply.size()), nullptr, nullptr));
}

TEST(ReplyWalkTest, CountedRecords)
{
    struct Case
    {
        uint8_t operation;
        uint32_t requestFlags;
        const wchar_t* name;
        bool counted;
    };
    const Case cases[] = {
        {4, 0, L"\\Device\\HarddiskVolume1\\Users\\a.txt", true},
        {4, 0x40, L"\\Device\\HarddiskVolume1\\$LogFile", true},
        {4, 0x40, L"\\Device\\HarddiskVolume1\\pagefile.sys", false},
        {4, 0x40 | 0x2, L"\\Device\\HarddiskVolume1\\$Mft", true},
        {4, 0x2, L"\\Device\\HarddiskVolume1\\pagefile.sys", true},
        {3, 0, L"\\Device\\HarddiskVolume1\\Users\\a.txt", false},
        {5, 0x40, L"\\Device\\HarddiskVolume1\\$LogFile", false},
    };
    for (const Case& c : cases)
    {
        RecordFields fields = Named(c.name);
        fields.operationCode = c.operation;
        fields.requestFlags = c.requestFlags;
        std::vector<BYTE> record = MakeRecord(fields);
        const LogRecordView view(record.data(), static_cast<uint32_t>(record.size()));
        EXPECT_EQ(c.counted, IsCountedRecord(view)) << c.operation << " " << c.requestFlags;
    }
}

TEST(ReplyWalkTest, NameEndsAtItsNulOrAtTheRecordEnd)
{
    // A '$' after the NUL is not part of the name.
    RecordFields fields = Named(L"\\pagefile.sys");
    fields.requestFlags = 0x40;
    std::vector<BYTE> record = MakeRecord(fields);
    record.push_back('$');
    record.push_back(0);
    uint32_t length = static_cast<uint32_t>(record.size());
    memcpy(record.data(), &length, 4);
    LogRecordView afterNul(record.data(), length);
    EXPECT_EQ(L"\\pagefile.sys", afterNul.Name());
    EXPECT_FALSE(IsCountedRecord(afterNul));

    // No NUL inside the record: the name runs to the record's end (an odd last byte is no character),
    // and nothing beyond it is read.
    std::vector<BYTE> unterminated = MakeRecord(Named(L"\\$Mft", 48 + 10 + 1));
    unterminated.push_back('X');
    unterminated.push_back(0);
    LogRecordView view(unterminated.data(), 59);
    EXPECT_EQ(L"\\$Mft", view.Name());
    EXPECT_EQ(5u, view.NameLength());
    EXPECT_TRUE(view.NameContains(L'$'));
    EXPECT_FALSE(view.NameContains(L'X'));
}
