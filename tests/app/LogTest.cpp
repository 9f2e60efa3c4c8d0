#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/MessagePump.h"
#include "support/WorkerThread.h"
#include "app/Log.h"

namespace
{
// "YYYY.MM.DD HH:MM:SS"
const size_t kStampLength = 19;

bool IsStamp(const std::wstring& stamp)
{
    if (stamp.size() != kStampLength)
        return false;
    const wchar_t pattern[] = L"dddd.dd.dd dd:dd:dd";
    for (size_t i = 0; i < kStampLength; ++i)
    {
        if (pattern[i] == L'd' ? !iswdigit(stamp[i]) : stamp[i] != pattern[i])
            return false;
    }
    return true;
}

std::wstring LocalStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u.%02u.%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return text;
}

// The text of a live line, or an empty string when the line is not stamped.
std::wstring Unstamp(const std::wstring& line)
{
    if (line.size() <= kStampLength || !IsStamp(line.substr(0, kStampLength)) || line[kStampLength] != L' ')
        return L"";
    return line.substr(kStampLength + 1);
}

std::vector<std::wstring> Unstamped(const std::vector<std::wstring>& lines)
{
    std::vector<std::wstring> texts;
    for (const std::wstring& line : lines)
        texts.push_back(Unstamp(line));
    return texts;
}

void RunOnWorker(const std::function<void()>& work)
{
    WorkerThread worker(work);
    ASSERT_TRUE(worker.Join()) << "the worker did not finish";
}

// An unsorted list box with strings, like the viewer's.
const DWORD kBoxStyle = WS_POPUP | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;

class LogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_box = CreateWindowExW(0, L"LISTBOX", L"", kBoxStyle, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        if (!m_box)
            GTEST_SKIP() << "no windows can be created here (no display?), error " << GetLastError();
    }
    void TearDown() override
    {
        m_log.DetachViewer();
        if (IsWindow(m_box))
            DestroyWindow(m_box);
        PumpMessages(0);
    }

    static HWND CreateBox()
    {
        HWND box = CreateWindowExW(0, L"LISTBOX", L"", kBoxStyle, 0, 0, 300, 200, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(nullptr, box) << "CreateWindowExW failed: " << GetLastError();
        return box;
    }

    static std::vector<std::wstring> BoxLines(HWND box)
    {
        std::vector<std::wstring> lines;
        LRESULT count = SendMessageW(box, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i)
        {
            std::wstring text(SendMessageW(box, LB_GETTEXTLEN, i, 0) + 1, L'\0');
            text.resize(SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
            lines.push_back(text);
        }
        return lines;
    }

    size_t BoxCount() const { return static_cast<size_t>(SendMessageW(m_box, LB_GETCOUNT, 0, 0)); }

    CQLog m_log;
    HWND m_box = nullptr;
};
} // namespace

TEST_F(LogTest, TextIsStoredExactlyAsGivenAndNeverUsedAsFormat)
{
    const std::wstring texts[] = {L"100% done", L"%s %d %ls %n %%", L"", L"  leading and trailing  "};
    for (const std::wstring& text : texts)
        m_log.AddLine(text);
    m_log.AddLine(static_cast<const wchar_t*>(nullptr));
    std::vector<std::wstring> expected(std::begin(texts), std::end(texts));
    expected.push_back(L"");
    EXPECT_EQ(expected, m_log.GetLines());

    m_log.AttachViewer(m_box);
    m_log.AddLine(L"live %s 50%");
    std::vector<std::wstring> shown = BoxLines(m_box);
    ASSERT_EQ(expected.size() + 1, shown.size());
    EXPECT_EQ(L"%s %d %ls %n %%", shown[1]);
    EXPECT_EQ(L"live %s 50%", Unstamp(shown.back())) << shown.back();
}

TEST_F(LogTest, SnapshotLinesAreUnstampedAndLiveLinesStamped)
{
    m_log.AddLine(L"first");
    m_log.AddLine(L"second");
    m_log.AttachViewer(m_box);
    EXPECT_EQ(m_box, m_log.GetViewer());
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), BoxLines(m_box));

    std::wstring before = LocalStamp();
    m_log.AddLine(L"third");
    std::wstring after = LocalStamp();
    std::vector<std::wstring> shown = BoxLines(m_box);
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(L"third", Unstamp(shown[2])) << shown[2];
    // The stamp is the local time of the call; the format sorts like the time.
    std::wstring stamp = shown[2].substr(0, kStampLength);
    EXPECT_LE(before, stamp);
    EXPECT_GE(after, stamp);
    // The stored line has no stamp.
    EXPECT_EQ(L"third", m_log.GetLines().back());

    // Reopening shows everything again, all unstamped.
    m_log.DetachViewer();
    HWND second = CreateBox();
    m_log.AttachViewer(second);
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"second", L"third"}), BoxLines(second));
    m_log.DetachViewer();
    DestroyWindow(second);
}

TEST_F(LogTest, TimeStampHasTheFixedFormat)
{
    std::wstring stamp = CQLog::FormatTimeStamp();
    EXPECT_TRUE(IsStamp(stamp)) << stamp;
}

TEST_F(LogTest, WorkerLineReachesTheBoxWithoutWaitingForTheUserInterfaceThread)
{
    m_log.AttachViewer(m_box);
    // This thread does not pump while the worker runs: a worker that waited on it would never end.
    WorkerThread worker([this] { m_log.AddLine(L"from worker"); });
    ASSERT_TRUE(worker.Join()) << "the worker blocked on the user-interface thread";
    EXPECT_EQ(0u, BoxCount()) << "the worker touched the box from its own thread";

    ASSERT_TRUE(PumpUntil([this] { return BoxCount() == 1; }));
    EXPECT_EQ(L"from worker", Unstamp(BoxLines(m_box)[0])) << BoxLines(m_box)[0];
}

TEST_F(LogTest, InterleavedWorkerAndUserInterfaceLinesKeepTheirOrder)
{
    m_log.AddLine(L"stored");
    m_log.AttachViewer(m_box);
    m_log.AddLine(L"u1");
    RunOnWorker([this] { m_log.AddLine(L"w1"); });
    m_log.AddLine(L"u2"); // queued worker lines go first
    RunOnWorker(
        [this]
        {
            m_log.AddLine(L"w2");
            m_log.AddLine(L"w3");
        });
    PumpMessages(50);
    m_log.AddLine(L"u3");
    RunOnWorker([this] { m_log.AddLine(L"w4"); });
    ASSERT_TRUE(PumpUntil([this] { return BoxCount() >= 8; }));
    PumpMessages(50); // nothing may arrive twice

    std::vector<std::wstring> shown = BoxLines(m_box);
    ASSERT_EQ(8u, shown.size());
    EXPECT_EQ(L"stored", shown[0]);
    std::vector<std::wstring> live(shown.begin() + 1, shown.end());
    EXPECT_EQ((std::vector<std::wstring>{L"u1", L"w1", L"u2", L"w2", L"w3", L"u3", L"w4"}), Unstamped(live));
    EXPECT_EQ((std::vector<std::wstring>{L"stored", L"u1", L"w1", L"u2", L"w2", L"w3", L"u3", L"w4"}),
              m_log.GetLines());
}

TEST_F(LogTest, ConcurrentLinesAppearOnceInTheOrderTheyWereStored)
{
    m_log.AddLine(L"before");
    std::atomic<bool> attached{false};
    WorkerThread worker(
        [&]
        {
            for (int i = 0; i < 3000; ++i)
            {
                m_log.AddLine(L"w" + std::to_wstring(i));
                while (i == 1000 && !attached)
                    Sleep(1);
            }
        });
    // Attach while the worker is busy, so some of its lines are in the snapshot and the rest live.
    PumpUntil([&] { return m_log.GetLineCount() > 500; });
    m_log.AttachViewer(m_box);
    attached = true;
    for (int i = 0; i < 200; ++i)
    {
        m_log.AddLine(L"u" + std::to_wstring(i));
        if (i % 20 == 0)
            PumpMessages(1);
    }
    ASSERT_TRUE(worker.Join());
    size_t total = m_log.GetLineCount();
    ASSERT_TRUE(PumpUntil([&] { return BoxCount() >= total; }, 30000)) << BoxCount() << " of " << total;
    PumpMessages(50);

    std::vector<std::wstring> stored = m_log.GetLines();
    std::vector<std::wstring> shown = BoxLines(m_box);
    ASSERT_EQ(stored.size(), shown.size());
    size_t snapshot = 0;
    while (snapshot < shown.size() && Unstamp(shown[snapshot]).empty())
        ++snapshot;
    for (size_t i = 0; i < shown.size(); ++i)
    {
        std::wstring text = i < snapshot ? shown[i] : Unstamp(shown[i]);
        ASSERT_EQ(stored[i], text) << "line " << i << " (snapshot ends at " << snapshot << ")";
    }
}

TEST_F(LogTest, LinesAfterDetachingTouchNoWindow)
{
    m_log.AttachViewer(m_box);
    m_log.AddLine(L"shown");
    RunOnWorker([this] { m_log.AddLine(L"queued, never shown"); });
    m_log.DetachViewer();
    EXPECT_EQ(nullptr, m_log.GetViewer());
    m_log.AddLine(L"after detach");
    RunOnWorker([this] { m_log.AddLine(L"worker after detach"); });
    PumpMessages(100);
    EXPECT_EQ(1u, BoxCount());

    // A viewer that is destroyed without detaching leaves no link behind.
    SendMessageW(m_box, LB_RESETCONTENT, 0, 0);
    m_log.AttachViewer(m_box);
    EXPECT_EQ(4u, BoxCount());
    DestroyWindow(m_box);
    EXPECT_EQ(nullptr, m_log.GetViewer());
    m_log.AddLine(L"after destroy");
    RunOnWorker([this] { m_log.AddLine(L"worker after destroy"); });
    PumpMessages(50);
    EXPECT_EQ(6u, m_log.GetLineCount());
}

TEST_F(LogTest, DetachingWhileAWorkerLogsDoesNotDeadlock)
{
    std::atomic<bool> stop{false};
    std::atomic<int> added{0};
    WorkerThread worker(
        [&]
        {
            while (!stop)
            {
                m_log.AddLine(L"busy worker line");
                // Pauses keep the log small enough for each attach to copy it quickly.
                if (++added % 20 == 0)
                    Sleep(1);
            }
        });
    for (int round = 0; round < 5; ++round)
    {
        m_log.AttachViewer(m_box);
        PumpMessages(20);
        m_log.AddLine(L"ui line");
        m_log.DetachViewer();
        SendMessageW(m_box, LB_RESETCONTENT, 0, 0);
    }
    stop = true;
    ASSERT_TRUE(worker.Join()) << "the worker did not finish";
    PumpMessages(50);
    EXPECT_EQ(0u, BoxCount()) << "lines reached a detached box";
    EXPECT_GT(added.load(), 0);
}

TEST(ProgramLogTest, LogLineGoesToTheProgramLogWhenThereIsOne)
{
    CQLog* previous = GetProgramLog();
    SetProgramLog(nullptr);
    LogLine(L"nowhere"); // no log: nothing happens
    {
        LogCapture capture;
        LogLine(L"one %s");
        LogLine(std::wstring(L"two"));
        EXPECT_EQ((std::vector<std::wstring>{L"one %s", L"two"}), capture.Lines());
    }
    EXPECT_EQ(nullptr, GetProgramLog());
    {
        auto log = std::make_unique<CQLog>();
        SetProgramLog(log.get());
        log.reset(); // a destroyed log is no longer the program log
        EXPECT_EQ(nullptr, GetProgramLog());
        LogLine(L"after the log is gone");
    }
    SetProgramLog(previous);
}
