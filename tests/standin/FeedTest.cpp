// Records made from the feed file: exact layout, the attach check, raw replies and result lines.
#include "StandinFixture.h"

#include "engine/ReplyWalk.h"

#include <fltuser.h>

namespace
{

constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103UL);

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Length of the stand-in's record for a name: header, name, NUL, padded to 8 bytes.
uint32_t RecordLength(const std::wstring& name)
{
    return static_cast<uint32_t>((48 + (name.size() + 1) * 2 + 7) & ~size_t(7));
}

struct Walked
{
    std::vector<std::wstring> names;
    std::vector<uint32_t> processIds;
    std::vector<std::wstring> lines;
};

Walked WalkAll(std::vector<BYTE>& reply)
{
    Walked walked;
    WalkReply(
        reply.data(), static_cast<uint32_t>(reply.size()),
        [&walked](const LogRecordView& record)
        {
            walked.names.push_back(record.Name());
            walked.processIds.push_back(record.ProcessId());
        },
        [&walked](const wchar_t* line) { walked.lines.push_back(line); });
    return walked;
}

} // namespace

TEST_F(StandinTest, WritesOnAnAttachedVolumeComeBackInTheRecordLayout)
{
    const std::wstring volume = DeviceName(L'C');
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("write 1234 4096 512 C:\\Users\\x\\a.txt\n"
         "event 4 0x40 0x10000000 88 8192 0 " +
         Narrow(volume) + "\\$LogFile\n");

    const PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    const std::wstring first = volume + L"\\Users\\x\\a.txt";
    const std::wstring second = volume + L"\\$LogFile";
    const uint32_t firstLength = RecordLength(first);
    ASSERT_EQ(firstLength + RecordLength(second), reply.BytesReturned);

    EXPECT_EQ(firstLength, U32At(m_reply, 0));
    EXPECT_EQ(0u, U32At(m_reply, 8)) << "record type";
    EXPECT_EQ(1234u, U32At(m_reply, 16));
    EXPECT_EQ(0u, U32At(m_reply, 24)) << "request flags";
    EXPECT_EQ(4, m_reply[32]);
    EXPECT_EQ(4096u, U32At(m_reply, 36));
    EXPECT_EQ(512u, U64At(m_reply, 40));
    EXPECT_EQ(first, NameAt(m_reply, 48, firstLength - 48));
    for (size_t i = 48 + first.size() * 2; i < firstLength; ++i)
        EXPECT_EQ(0, m_reply[i]) << "NUL and padding at " << i;

    const size_t at = firstLength;
    EXPECT_EQ(RecordLength(second), U32At(m_reply, at));
    EXPECT_EQ(0x10000000u, U32At(m_reply, at + 8));
    EXPECT_EQ(88u, U32At(m_reply, at + 16));
    EXPECT_EQ(0x40u, U32At(m_reply, at + 24));
    EXPECT_EQ(4, m_reply[at + 32]);
    EXPECT_EQ(8192u, U32At(m_reply, at + 36));
    EXPECT_EQ(0u, U64At(m_reply, at + 40));
    EXPECT_EQ(second, NameAt(m_reply, at + 48, RecordLength(second) - 48));

    // The program's walk reads the same.
    const Walked walked = WalkAll(m_reply);
    ASSERT_EQ(2u, walked.names.size());
    EXPECT_EQ(first, walked.names[0]);
    EXPECT_EQ(second, walked.names[1]);
    ASSERT_EQ(1u, walked.lines.size());
    EXPECT_EQ(L"Out of memory", walked.lines[0]);

    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, NoRecordsForVolumesThatAreNotAttached)
{
    Feed("write 1 100 0 C:\\before-attach.txt\n");
    EXPECT_EQ(NoMoreItems, Request().Result) << "a write on an unattached volume is not logged at all";

    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("write 1 100 0 C:\\attached.txt\n"
         "write 1 100 0 Q:\\no-such-drive.txt\n"
         "write 1 100 0 relative\\path.txt\n");
    PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    Walked walked = WalkAll(m_reply);
    ASSERT_EQ(1u, walked.names.size());
    EXPECT_EQ(DeviceName(L'C') + L"\\attached.txt", walked.names[0]);

    ASSERT_EQ(S_OK, DetachDefault(L"C:"));
    Feed("write 1 100 0 C:\\after-detach.txt\n");
    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, RawRepliesAreDeliveredByteForByte)
{
    std::string line = "raw";
    std::vector<BYTE> expected;
    for (int i = 0; i < 100; ++i)
    {
        char hex[4];
        snprintf(hex, sizeof(hex), " %02x", (i * 37) & 0xFF);
        line += hex;
        expected.push_back(static_cast<BYTE>((i * 37) & 0xFF));
    }
    // Delivered whatever is attached: raw replies exist to send what a driver should not.
    Feed(line + "\nraw\nraw 3C000000\n");

    PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(expected, m_reply);

    reply = Request();
    EXPECT_EQ(S_OK, reply.Result) << "an empty raw reply is a success with no bytes";
    EXPECT_EQ(0u, reply.BytesReturned);

    reply = Request();
    ASSERT_EQ(S_OK, reply.Result);
    ASSERT_EQ(4u, reply.BytesReturned);
    EXPECT_EQ(0x3Cu, U32At(m_reply, 0));
    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, RepeatedRawRepliesComeBackCountTimes)
{
    // Malformed repeat lines are ignored: no count, a count of 0, odd hex.
    Feed("repeat\nrepeat 0 11\nrepeat 2 123\nrepeat 3 0a0b 0c\nraw 0d\n");
    for (int i = 0; i < 3; ++i)
    {
        const PortReply reply = Request();
        ASSERT_EQ(S_OK, reply.Result) << "reply " << i << ": " << Hex(reply.Result);
        EXPECT_EQ((std::vector<BYTE>{0x0a, 0x0b, 0x0c}), m_reply) << "reply " << i;
    }
    const PortReply last = Request();
    ASSERT_EQ(S_OK, last.Result) << Hex(last.Result);
    EXPECT_EQ(std::vector<BYTE>{0x0d}, m_reply);
    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, ResultLinesAreReturnedOnceInFeedOrder)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("write 5 1 0 C:\\one.txt\n"
         "result 0x80004005\n"
         "result 0x80070006\n"
         "write 5 2 0 C:\\two.txt\n");

    PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(1u, WalkAll(m_reply).names.size());
    reply = Request();
    EXPECT_EQ(E_FAIL, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(0u, reply.BytesReturned);
    reply = Request();
    EXPECT_EQ(static_cast<HRESULT>(0x80070006UL), reply.Result) << Hex(reply.Result);
    reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << "a fed result does not kill the port: " << Hex(reply.Result);
    const Walked walked = WalkAll(m_reply);
    ASSERT_EQ(1u, walked.names.size());
    EXPECT_EQ(DeviceName(L'C') + L"\\two.txt", walked.names[0]);
    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, RecordLinesPassTheAttachCheckOfTheirName)
{
    auto recordLine = [](const std::vector<BYTE>& record)
    {
        std::string line = "record ";
        for (BYTE b : record)
        {
            char hex[3];
            snprintf(hex, sizeof(hex), "%02x", b);
            line += hex;
        }
        return line + "\n";
    };
    std::vector<BYTE> onC(48 + 2 * (DeviceName(L'C').size() + 5) + 2, 0);
    const std::wstring nameOnC = DeviceName(L'C') + L"\\r.db";
    memcpy(onC.data() + 48, nameOnC.c_str(), (nameOnC.size() + 1) * 2);
    const uint32_t length = static_cast<uint32_t>(onC.size());
    memcpy(onC.data(), &length, 4);
    onC[32] = 4;
    // A mount-point tag record names no volume: it passes as given.
    std::vector<BYTE> tag(64 + 8, 0);
    const uint32_t tagLength = static_cast<uint32_t>(tag.size());
    const uint32_t tagType = 0x4;
    const uint32_t mountPoint = 0xA0000003;
    memcpy(tag.data(), &tagLength, 4);
    memcpy(tag.data() + 8, &tagType, 4);
    memcpy(tag.data() + 48, &mountPoint, 4);
    tag[58] = 8;
    memcpy(tag.data() + 64, L"\\x\\y", 8);

    Feed(recordLine(onC) + recordLine(tag));
    PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(tag, m_reply) << "the record on unattached C: is dropped";

    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed(recordLine(onC));
    reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(onC, m_reply);
}

TEST_F(StandinTest, OnlyCompleteLinesAreRead)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("# a comment, then a line still being written\nwrite 7 10 0 C:\\partial");
    EXPECT_EQ(NoMoreItems, Request().Result);
    Feed("-name.txt\n");
    const PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    const Walked walked = WalkAll(m_reply);
    ASSERT_EQ(1u, walked.names.size());
    EXPECT_EQ(DeviceName(L'C') + L"\\partial-name.txt", walked.names[0]);
}

TEST_F(StandinTest, MalformedLinesAreIgnored)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("write\nwrite 1 2\nwrite x 2 3 C:\\a\nwrite 1 99999999999 0 C:\\a\nraw 123\nrecord\nresult\n"
         "result nope\nbogus 1 2 3\nwrite 1 2 3 C:\\good.txt\n");
    const PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    const Walked walked = WalkAll(m_reply);
    ASSERT_EQ(1u, walked.names.size());
    EXPECT_EQ(DeviceName(L'C') + L"\\good.txt", walked.names[0]);
    EXPECT_EQ(NoMoreItems, Request().Result);
}

TEST_F(StandinTest, RepliesHoldWholeRecordsUpToTheBufferSize)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    std::string lines;
    for (int i = 0; i < 10; ++i)
        lines += "write " + std::to_string(100 + i) + " 1 0 C:\\f" + std::to_string(i) + ".bin\n";
    Feed(lines);

    const uint32_t length = RecordLength(DeviceName(L'C') + L"\\f0.bin");
    const size_t bufferSize = length * 3 + length / 2;
    std::vector<uint32_t> processIds;
    for (int i = 0; i < 10; ++i)
    {
        const PortReply reply = Request(bufferSize);
        if (reply.Result == NoMoreItems)
            break;
        ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
        EXPECT_LE(reply.BytesReturned, bufferSize);
        EXPECT_EQ(0u, reply.BytesReturned % length) << "whole records only";
        const Walked walked = WalkAll(m_reply);
        EXPECT_TRUE(walked.lines.empty());
        processIds.insert(processIds.end(), walked.processIds.begin(), walked.processIds.end());
    }
    ASSERT_EQ(10u, processIds.size());
    for (uint32_t i = 0; i < 10; ++i)
        EXPECT_EQ(100 + i, processIds[i]);

    // A buffer too small for one record is refused; the record waits for a bigger one.
    Feed("write 1 1 0 C:\\big.bin\n");
    PortReply reply = Request(40);
    EXPECT_EQ(static_cast<HRESULT>(0x8007007AUL), reply.Result) << Hex(reply.Result);
    reply = Request();
    EXPECT_EQ(S_OK, reply.Result) << Hex(reply.Result);
}

TEST_F(StandinTest, SwitchingTheFeedForgetsWhatTheOldOneQueued)
{
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));
    Feed("write 1 1 0 C:\\old1.txt\nwrite 1 1 0 C:\\old2.txt\n");
    const uint32_t length = RecordLength(DeviceName(L'C') + L"\\old1.txt");
    ASSERT_EQ(S_OK, Request(length).Result) << "one record taken, one left queued";

    SwitchFeed(L"second.txt");
    Feed("write 2 1 0 C:\\new.txt\n");
    const PortReply reply = Request();
    ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
    const Walked walked = WalkAll(m_reply);
    ASSERT_EQ(1u, walked.names.size());
    EXPECT_EQ(DeviceName(L'C') + L"\\new.txt", walked.names[0]);
}
