// The record source of the system's file events without threads: the records it makes walk like the
// driver's, only named writes on attached volumes pass, events go out in the order they were logged,
// records wait for the next reply when one is full, and the source reports, ends and drops as it should.
// The clock, the holding time and the session's losses are the test's (a replay feed).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/ReplyWalk.h"
#include "engine/WrimonProtocol.h"
#include "engine/events/EventInbox.h"
#include "engine/events/FileEventSource.h"
#include "support/FileEvents.h"
#include "support/GuardedBuffer.h"
#include "support/LogCapture.h"
#include "support/ReplayEventFeed.h"

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
    FileEventSourceTest() { m_replay->SetNow(1000); }

    // The source, made on first use so that a test can set the holding time first.
    CQFileEventSource& Source()
    {
        if (!m_source)
            m_source = std::make_unique<CQFileEventSource>(&m_feed);
        return *m_source;
    }
    void Deliver(const std::vector<SyntheticEvent>& events)
    {
        for (const SyntheticEvent& event : events)
            Source().Deliver(event.Record());
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
        const PortReply answer = Source().RequestRecords(reply.data(), size);
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
    static std::vector<std::wstring> NamesOf(const std::vector<Seen>& seen)
    {
        std::vector<std::wstring> names;
        for (const Seen& record : seen)
            names.push_back(record.name);
        return names;
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
    std::shared_ptr<ReplayControl> m_replay = std::make_shared<ReplayControl>();
    ReplayEventFeed m_feed{m_replay};
    std::unique_ptr<CQFileEventSource> m_source;
};

TEST_F(FileEventSourceTest, OnlyNamedWritesOnAttachedVolumesPassAndWalkLikeTheDrivers)
{
    EXPECT_TRUE(Source().AttachVolume(kVolume1));
    EXPECT_FALSE(Source().AttachVolume(L"\\device\\harddiskvolume1")) << "attached already";
    DeliverNamedWrite(1, kVolume1 + L"\\a.txt", 100);
    DeliverNamedWrite(2, L"\\Device\\HarddiskVolume12\\b.txt", 200);
    DeliverNamedWrite(3, L"\\Device\\HarddiskVolume2\\c.txt", 300);
    DeliverNamedWrite(4, L"\\device\\HARDDISKVOLUME1", 400);
    DeliverNamedWrite(5, kVolume1 + L"\\d.dat", 500, 0x43);
    DeliverNamedWrite(6, kVolume1 + L"\\$LogFile", 600, 0x43);
    // Files without a name: a volume not attached, a network file or one the rundown missed alike.
    Deliver({Write(Shape(), 40, 0, 99, 700), Write(Shape{0, 4}, 40, 0, 98, 70)});

    const std::vector<Seen> seen = Request();
    ASSERT_EQ(4u, seen.size());
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
    EXPECT_EQ(4u, Source().PassedRecords());
    const SystemEventFigures figures = Source().Figures();
    EXPECT_EQ(8u, figures.Writes);
    EXPECT_EQ(2u, figures.UnnamedWrites);
    EXPECT_EQ(770u, figures.UnnamedBytes);

    EXPECT_TRUE(Source().DetachVolume(kVolume1));
    EXPECT_FALSE(Source().DetachVolume(kVolume1));
    DeliverNamedWrite(7, kVolume1 + L"\\e.txt", 800);
    HRESULT result = S_OK;
    EXPECT_TRUE(Request(WrimonReplyBufferSize, &result).empty());
    EXPECT_EQ(WrimonResultNoMoreItems, result);
}

TEST_F(FileEventSourceTest, ARecordThatDoesNotFitLeadsTheNextReply)
{
    Source().AttachVolume(kVolume1);
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

TEST_F(FileEventSourceTest, EventsOfTwoProcessorsGoOutInTheOrderTheyWereLogged)
{
    m_replay->SetHoldMs(3000);
    Source().AttachVolume(kVolume1);
    const std::wstring a = kVolume1 + L"\\a.txt", b = kVolume1 + L"\\b.txt";
    const std::wstring oldC = kVolume1 + L"\\c-old.txt", newC = kVolume1 + L"\\c-new.txt";
    // The busy processor's buffer comes first: writes to files named on the other one, and a key reused.
    Deliver({Write(Shape(), 8, 0, 0xA, 1).At(20), Write(Shape(), 8, 0, 0xB, 2).At(30),
             KeyName(10, 8, 0xC, newC).At(50), Write(Shape(), 8, 0, 0xC, 3).At(60)});
    EXPECT_TRUE(Request().empty()) << "held";
    // The quiet processor's buffer, half a second later.
    m_replay->Advance(500);
    Deliver({KeyName(10, 8, 0xC, oldC).At(5), Write(Shape(), 8, 0, 0xC, 4).At(6),
             KeyName(10, 8, 0xA, a).At(10), KeyName(10, 8, 0xB, b).At(25), KeyName(11, 8, 0xC, oldC).At(40)});
    EXPECT_TRUE(Request().empty()) << "held";
    m_replay->Advance(2499);
    EXPECT_TRUE(Request().empty()) << "still held";
    m_replay->Advance(1);
    const std::vector<Seen> seen = Request();
    EXPECT_EQ((std::vector<std::wstring>{oldC, a, b, newC}), NamesOf(seen));
    EXPECT_EQ(
        (std::vector<uint32_t>{4, 1, 2, 3}),
        (std::vector<uint32_t>{seen.size() > 0 ? seen[0].size : 0, seen.size() > 1 ? seen[1].size : 0,
                               seen.size() > 2 ? seen[2].size : 0, seen.size() > 3 ? seen[3].size : 0}));
    EXPECT_EQ(0u, Source().Figures().UnnamedWrites);

    // A name that comes after the hold is too late for a write logged after it: that write stays
    // unnamed, and the late event is reported.
    Deliver({Write(Shape(), 8, 0, 0xD, 5).At(80)});
    EXPECT_TRUE(Request().empty());
    m_replay->Advance(3000);
    EXPECT_TRUE(Request().empty());
    Deliver({KeyName(10, 8, 0xD, kVolume1 + L"\\d.txt").At(70)});
    EXPECT_TRUE(Request().empty());
    EXPECT_EQ(1u, Source().Figures().UnnamedWrites);
    Source().LogFinalReport();
    const std::vector<std::wstring> names = LinesStartingWith(L"System file events: names kept");
    ASSERT_EQ(1u, names.size());
    EXPECT_NE(std::wstring::npos, names[0].find(L"0 late name deletions ignored, 1 events too late"))
        << names[0].c_str();
}

TEST_F(FileEventSourceTest, ReportsComeOnTheClockWithTheShareOfUnnamedWrites)
{
    Source().AttachVolume(kVolume1);
    Deliver({Rundown(8, 1, kVolume1 + L"\\open.txt"), Write(Shape(), 8, 0, 1, 10),
             Write(Shape(), 8, 0, 2, 10, 0x2), Write(Shape(), 8, 0, 3, 20), Write(Shape(), 8, 0, 4, 30),
             LossReport(33)});
    m_replay->Advance(CQFileEventReport::FirstReportMs - 1);
    Request();
    const std::wstring prefix = L"System file events: ";
    EXPECT_EQ(
        (std::vector<std::wstring>{L"System file events: rundown events of version 2 with 64-bit pointers",
                                   L"System file events: write events of version 1 with 64-bit pointers"}),
        LinesStartingWith(prefix))
        << "only the layout lines before the first report";
    m_replay->Advance(1);
    Request();
    std::vector<std::wstring> lines = LinesStartingWith(prefix);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(
        L"System file events: 4 writes (1 paging I/O), 3 without a name (75.0%, 60 bytes) not counted, 1 "
        L"names from the rundown, 0 events dropped, 1 loss reports",
        lines[2]);
    EXPECT_EQ(0u, lines[3].find(L"System file events: names kept for 1 file keys (")) << lines[3].c_str();

    // Nothing new: no line at the next time; something new: a line.
    m_replay->Advance(CQFileEventReport::ReportIntervalMs);
    Request();
    EXPECT_EQ(4u, LinesStartingWith(prefix).size());
    Deliver({Write(Shape{0, 4}, 8, 0, 1, 10), Create(Shape{0, 4}, 7, kVolume1 + L"\\n.txt", 30),
             KeyName(11, 4, 9, kVolume1 + L"\\gone.txt")});
    m_replay->Advance(CQFileEventReport::ReportIntervalMs);
    Request();
    lines = LinesStartingWith(prefix);
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ(L"System file events: write events of version 0 with 32-bit pointers", lines[4]);
    EXPECT_EQ(L"System file events: create-new-file events of version 0 with 32-bit pointers", lines[5]);
    EXPECT_EQ(L"System file events: name-delete events of version 0 with 32-bit pointers", lines[6]);
    EXPECT_EQ(0u, lines[7].find(L"System file events: 5 writes (1 paging I/O), 3 without a name (60.0%"))
        << lines[7].c_str();
    Source().LogFinalReport();
    EXPECT_EQ(11u, LinesStartingWith(prefix).size());
}

TEST_F(FileEventSourceTest, TheSessionsLossesAreAskedForEveryMinuteAndLoggedWhenTheyGrow)
{
    Deliver({Write(Shape(), 8, 0, 1, 10)});
    const std::wstring prefix = L"System file events: the session has lost";
    m_replay->SetLosses(5, 1);
    m_replay->Advance(CQFileEventReport::LossQueryMs - 1);
    Request();
    EXPECT_EQ(0, m_replay->LossQueries());
    m_replay->Advance(1);
    Request();
    EXPECT_EQ(1, m_replay->LossQueries());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"System file events: the session has lost 5 events and 1 buffers so far"}),
              LinesStartingWith(prefix));
    EXPECT_EQ(5u, Source().Figures().Lost.Events);
    EXPECT_EQ(1u, Source().Figures().Lost.Buffers);
    m_replay->Advance(CQFileEventReport::LossQueryMs);
    Request();
    EXPECT_EQ(2, m_replay->LossQueries());
    EXPECT_EQ(1u, LinesStartingWith(prefix).size()) << "unchanged: no line";
    m_replay->SetLosses(9, 1);
    m_replay->Advance(CQFileEventReport::LossQueryMs);
    Request();
    EXPECT_EQ(2u, LinesStartingWith(prefix).size());
    EXPECT_EQ(9u, Source().Figures().Lost.Events);
}

TEST_F(FileEventSourceTest, SilenceEndsTheSourceAndTheSessionAndSoDoesTheFeedsEnd)
{
    Source();
    m_replay->Advance(CQFileEventSource::SilenceLimitMs - 1);
    HRESULT result = S_OK;
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultNoMoreItems, result);
    EXPECT_EQ(0, m_replay->Halts());
    m_replay->Advance(1);
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultDriverGone, result);
    EXPECT_EQ(1, m_replay->Halts()) << "the session is stopped as soon as the source gives up";
    Request(WrimonReplyBufferSize, &result);
    EXPECT_EQ(WrimonResultDriverGone, result);
    EXPECT_EQ(1, m_replay->Halts());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"System file events are not available: no event arrived within 15 seconds"}),
              LinesStartingWith(L"System file events are"));

    // Another source, whose events are held: what came before the end is passed on first.
    std::shared_ptr<ReplayControl> replay = std::make_shared<ReplayControl>();
    replay->SetHoldMs(3000);
    ReplayEventFeed feed(replay);
    CQFileEventSource ending(&feed);
    ending.AttachVolume(kVolume1);
    ending.Deliver(KeyName(10, 8, 1, kVolume1 + L"\\last.txt").Record());
    ending.EndOfEvents(L"ProcessTrace failed with error 1");
    ending.Deliver(Write(Shape(), 8, 0, 1, 10).Record());
    std::vector<BYTE> reply(WrimonReplyBufferSize);
    const PortReply last = ending.RequestRecords(reply.data(), WrimonReplyBufferSize);
    EXPECT_EQ(S_OK, last.Result);
    EXPECT_NE(0u, last.BytesReturned);
    EXPECT_EQ(WrimonResultDriverGone, ending.RequestRecords(reply.data(), WrimonReplyBufferSize).Result);
    EXPECT_EQ(1u, LinesStartingWith(L"System file events ended: ProcessTrace failed with error 1").size());
    EXPECT_EQ(1, replay->Halts());
}

TEST(EventInboxTest, CopiesExactlyThePayloadAndDropsWhatDoesNotFit)
{
    GuardedBuffer guard(4096);
    SyntheticEvent event = KeyName(10, 8, 7, L"\\Device\\HarddiskVolume1\\x").At(0x123456789);
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
    EXPECT_EQ(0x123456789, batch.Events[0].Head.TimeStamp);
    EXPECT_FALSE(batch.Ended);
    EXPECT_FALSE(inbox.Take(batch));
    EXPECT_EQ(0u, batch.Dropped);
}

} // namespace
