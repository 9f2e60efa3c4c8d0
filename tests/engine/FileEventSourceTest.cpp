// The record source of the system's file events without threads: the records it makes walk like the
// driver's, only attached volumes pass, records wait for the next reply when one is full, and the source
// reports, ends and drops as it should. The clock is the test's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ReplyWalk.h"
#include "engine/WrimonProtocol.h"
#include "engine/events/EventInbox.h"
#include "engine/events/FileEventSource.h"
#include "support/FileEvents.h"
#include "support/GuardedBuffer.h"
#include "support/LogCapture.h"

using namespace file_events_test;

namespace
{

const std::wstring kVolume1 = L"\\Device\\HarddiskVolume1";

struct Seen
{
    uint32_t processId;
    uint32_t flags;
    uint32_t size;
    std::wstring name;
    bool counted;
};

class FileEventSourceTest : public ::testing::Test
{
protected:
    FileEventSourceTest() : m_source([this] { return m_now; }) {}

    void Deliver(const std::vector<SyntheticEvent>& events)
    {
        for (const SyntheticEvent& event : events)
            m_source.Deliver(event.Record());
    }
    // A file key with a name, then a write to it.
    void DeliverNamedWrite(uint64_t key, const std::wstring& name, uint32_t size, uint32_t flags = 0)
    {
        Deliver({KeyName(10, 8, key, name), Write(Shape(), 40, 0, key, size, flags)});
    }
    // One request; the records of its reply, which must walk cleanly.
    std::vector<Seen> Request(DWORD size = WrimonReplyBufferSize, HRESULT* result = nullptr)
    {
        std::vector<BYTE> reply(size + 16, 0xCC);
        const PortReply answer = m_source.RequestRecords(reply.data(), size);
        if (result != nullptr)
            *result = answer.Result;
        EXPECT_LE(answer.BytesReturned, size);
        EXPECT_EQ(0xCC, reply[size]) << "written past the buffer";
        std::vector<Seen> seen;
        WalkReply(
            reply.data(), answer.BytesReturned,
            [&](const LogRecordView& record)
            {
                EXPECT_EQ(WrimonOperationWrite, record.OperationCode());
                EXPECT_EQ(0u, record.ReadLength());
                EXPECT_EQ(0u, record.Length() % 8);
                seen.push_back(Seen{record.ProcessId(), record.RequestFlags(), record.WriteLength(),
                                    record.Name(), IsCountedRecord(record)});
            },
            [](const wchar_t* line) { ADD_FAILURE() << "walk: " << std::string(line, line + wcslen(line)); });
        return seen;
    }
    std::vector<std::wstring> LinesStartingWith(const std::wstring& prefix) const
    {
        std::vector<std::wstring> found;
        for (const std::wstring& line : m_log.Lines())
            if (line.compare(0, prefix.size(), prefix) == 0)
                found.push_back(line);
        return found;
    }

    LogCapture m_log;
    ULONGLONG m_now = 1000;
    CQFileEventSource m_source;
};

TEST_F(FileEventSourceTest, RecordsWalkLikeTheDriversAndOnlyAttachedVolumesPass)
{
    EXPECT_TRUE(m_source.AttachVolume(kVolume1));
    EXPECT_FALSE(m_source.AttachVolume(L"\\device\\harddiskvolume1")) << "attached already";
    DeliverNamedWrite(1, kVolume1 + L"\\a.txt", 100);
    DeliverNamedWrite(2, L"\\Device\\HarddiskVolume12\\b.txt", 200);
    DeliverNamedWrite(3, L"\\Device\\HarddiskVolume2\\c.txt", 300);
    DeliverNamedWrite(4, L"\\device\\HARDDISKVOLUME1", 400);
    DeliverNamedWrite(5, kVolume1 + L"\\d.dat", 500, 0x43);
    DeliverNamedWrite(6, kVolume1 + L"\\$LogFile", 600, 0x43);
    Deliver({Write(Shape(), 40, 0, 99, 700)});

    const std::vector<Seen> seen = Request();
    ASSERT_EQ(5u, seen.size());
    EXPECT_EQ(kVolume1 + L"\\a.txt", seen[0].name);
    EXPECT_EQ(40u, seen[0].processId);
    EXPECT_EQ(100u, seen[0].size);
    EXPECT_EQ(0u, seen[0].flags);
    EXPECT_TRUE(seen[0].counted);
    EXPECT_EQ(L"\\device\\HARDDISKVOLUME1", seen[1].name);
    // Synchronous paging I/O counts only for the file system's own '$' files, as with the driver.
    EXPECT_EQ(0x43u, seen[2].flags);
    EXPECT_FALSE(seen[2].counted);
    EXPECT_TRUE(seen[3].counted);
    EXPECT_EQ(L"", seen[4].name) << "an unnamed write passes while a volume is attached";
    EXPECT_EQ(700u, seen[4].size);
    EXPECT_EQ(5u, m_source.PassedRecords());

    EXPECT_TRUE(m_source.DetachVolume(kVolume1));
    EXPECT_FALSE(m_source.DetachVolume(kVolume1));
    DeliverNamedWrite(7, kVolume1 + L"\\e.txt", 800);
    Deliver({Write(Shape(), 40, 0, 98, 900)});
    HRESULT result = S_OK;
    EXPECT_TRUE(Request(WrimonReplyBufferSize, &result).empty());
    EXPECT_EQ(WrimonResultNoMoreItems, result);
}

TEST_F(FileEventSourceTest, ARecordThatDoesNotFitLeadsTheNextReply)
{
    m_source.AttachVolume(kVolume1);
    // Records of 48 + 2 * (23 + 4 + 1) = 104 bytes.
    for (uint64_t key = 1; key <= 5; ++key)
        DeliverNamedWrite(key, kVolume1 + L"\\f" + std::to_wstring(key) + L".x", static_cast<uint32_t>(key));
    std::vector<uint32_t> sizes;
    for (int request = 0; request < 10 && sizes.size() < 5; ++request)
    {
        const std::vector<Seen> seen = Request(250);
        EXPECT_LE(seen.size(), 2u);
        for (const Seen& record : seen)
            sizes.push_back(record.size);
    }
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5}), sizes);
}

TEST_F(FileEventSourceTest, ReportsComeOnTheClockWithTheShareOfUnnamedWrites)
{
    m_source.AttachVolume(kVolume1);
    Deliver({Rundown(8, 1, kVolume1 + L"\\open.txt"), Write(Shape(), 8, 0, 1, 10),
             Write(Shape(), 8, 0, 2, 10, 0x2), Write(Shape(), 8, 0, 3, 10), Write(Shape(), 8, 0, 4, 10),
             LossReport(33)});
    m_now += CQFileEventSource::FirstReportMs - 1;
    Request();
    const std::wstring prefix = L"System file events: ";
    EXPECT_EQ(1u, LinesStartingWith(prefix).size()) << "only the layout line before the first report";
    EXPECT_EQ(L"System file events: write events of version 1 with 64-bit pointers",
              LinesStartingWith(prefix)[0]);
    m_now += 1;
    Request();
    std::vector<std::wstring> lines = LinesStartingWith(prefix);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(
        L"System file events: 4 writes (1 paging I/O), 3 without a name (75.0%), 1 names from the rundown, 0 "
        L"events dropped, 1 loss reports",
        lines[1]);

    // Nothing new: no line at the next time; something new: a line.
    m_now += CQFileEventSource::ReportIntervalMs;
    Request();
    EXPECT_EQ(2u, LinesStartingWith(prefix).size());
    Deliver({Write(Shape{0, 4}, 8, 0, 1, 10)});
    m_now += CQFileEventSource::ReportIntervalMs;
    Request();
    lines = LinesStartingWith(prefix);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"System file events: write events of version 0 with 32-bit pointers", lines[2]);
    EXPECT_EQ(0u, lines[3].find(L"System file events: 5 writes (1 paging I/O), 3 without a name (60.0%)"))
        << lines[3].c_str();
    m_source.LogFinalReport();
    EXPECT_EQ(5u, LinesStartingWith(prefix).size());
}

TEST_F(FileEventSourceTest, SilenceEndsTheSourceAndSoDoesTheFeedsEnd)
{
    m_now += CQFileEventSource::SilenceLimitMs - 1;
    HRESULT result = S_OK;
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultNoMoreItems, result);
    m_now += 1;
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultDriverGone, result);
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultDriverGone, result);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"System file events are not available: no event arrived within 15 seconds"}),
              LinesStartingWith(L"System file events are"));

    // Another source: what came before the end is passed on first.
    CQFileEventSource ending([this] { return m_now; });
    ending.AttachVolume(kVolume1);
    ending.Deliver(KeyName(10, 8, 1, kVolume1 + L"\\last.txt").Record());
    ending.EndOfEvents(L"ProcessTrace failed with error 1");
    ending.Deliver(Write(Shape(), 8, 0, 1, 10).Record());
    std::vector<BYTE> reply(WrimonReplyBufferSize);
    EXPECT_EQ(S_OK, ending.RequestRecords(reply.data(), WrimonReplyBufferSize).Result);
    EXPECT_EQ(WrimonResultDriverGone, ending.RequestRecords(reply.data(), WrimonReplyBufferSize).Result);
    EXPECT_EQ(1u, LinesStartingWith(L"System file events ended: ProcessTrace failed with error 1").size());
}

TEST(EventInboxTest, CopiesExactlyThePayloadAndDropsWhatDoesNotFit)
{
    GuardedBuffer guard(4096);
    SyntheticEvent event = KeyName(10, 8, 7, L"\\Device\\HarddiskVolume1\\x");
    CQEventInbox inbox(3 * event.payload.size(), 100);
    EVENT_RECORD record = event.Record();
    record.UserData = guard.Place(event.payload.data(), event.payload.size());
    for (int i = 0; i < 4; ++i)
        inbox.Put(record);
    record.UserData = nullptr; // a length without data copies nothing
    inbox.Put(record);

    InboxBatch batch;
    ASSERT_TRUE(inbox.Take(batch));
    ASSERT_EQ(4u, batch.Events.size());
    EXPECT_EQ(1u, batch.Dropped);
    EXPECT_EQ(0u, batch.Events[3].Length);
    EXPECT_EQ(event.payload,
              std::vector<BYTE>(batch.Bytes.begin() + batch.Events[2].Offset,
                                batch.Bytes.begin() + batch.Events[2].Offset + batch.Events[2].Length));
    EXPECT_EQ(10, batch.Events[0].Head.Id);
    EXPECT_FALSE(batch.Ended);
    EXPECT_FALSE(inbox.Take(batch));
    EXPECT_EQ(0u, batch.Dropped);
}

} // namespace
