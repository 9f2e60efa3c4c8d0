// The autosave: its schedule in refresh ticks, and the real program ended hard after an autosave, whose
// next start still has the writes. The program test needs the driver stand-in.
#include "main/MainWindowFixture.h"

#include <fstream>

#include "resources/resource.h"
#include "stats/Format.h"
#include "support/TempFolder.h"
#include "ui/main/AutosaveSchedule.h"

namespace
{
// The autosave comes after 60 refresh ticks; on a loaded machine they come late.
constexpr DWORD kAutosaveLimitMs = 180000;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool AppendLine(const std::wstring& file, const std::string& line)
{
    std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary | std::ios::app);
    out << line << "\n";
    return static_cast<bool>(out);
}

// The ticks (1-based) on which the schedule is due, for a sequence of intervals, one per tick.
std::vector<int> DueTicks(const std::vector<int>& minutesPerTick)
{
    CQAutosaveSchedule schedule;
    std::vector<int> due;
    for (size_t i = 0; i < minutesPerTick.size(); ++i)
    {
        if (schedule.Tick(minutesPerTick[i]))
            due.push_back(static_cast<int>(i) + 1);
    }
    return due;
}
} // namespace

TEST(AutosaveSchedule, CountsSixtyTicksAMinuteAndStartsAgainWhenTurnedOff)
{
    EXPECT_EQ(std::vector<int>({60, 120, 180}), DueTicks(std::vector<int>(200, 1)));
    EXPECT_EQ(std::vector<int>({120}), DueTicks(std::vector<int>(200, 2)));
    EXPECT_EQ(std::vector<int>(), DueTicks(std::vector<int>(200, 0)));
    EXPECT_EQ(std::vector<int>(), DueTicks(std::vector<int>(200, -5)));
    // Off for a tick in the middle: the count starts again after it.
    std::vector<int> withPause(200, 1);
    withPause[29] = 0;
    EXPECT_EQ(std::vector<int>({90, 150}), DueTicks(withPause));
    // A shorter interval set late is due at once when its time has already passed.
    std::vector<int> shortened(100, 60);
    for (size_t i = 70; i < shortened.size(); ++i)
        shortened[i] = 1;
    EXPECT_EQ(std::vector<int>({71}), DueTicks(shortened));
}

class MainAutosaveTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped())
            return;
        if (!TavrelloProgram::HasDriverStandIn())
            GTEST_SKIP() << "no driver stand-in (bin\\wrimon.sys) in this build: no writes can be fed";
    }
};

TEST_F(MainAutosaveTest, WritesAutosavedBeforeTheProgramIsKilledAreThereAtTheNextStart)
{
    TempFolder folder;
    const std::wstring feed = folder.File(L"feed.txt");
    ASSERT_TRUE(WriteWholeFile(feed, ""));
    m_program.SetEnvironment(L"WRIMON_STANDIN_FEED", feed);
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    SetInterfaceDword(L"m_intAutosaveMinutes", 1);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, L"Monitoring in progress...", kRefreshLimitMs));

    const std::string pid = std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(AppendLine(feed, "write " + pid + " 10000 2000 C:\\tavautosave\\a.txt"));
    ASSERT_TRUE(AppendLine(feed, "write " + pid + " 5000 0 C:\\tavautosave\\b.txt"));
    const std::wstring written = FormatSize(15000);
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, written, 20000))
        << Narrow(m_program.Text(IDC_TOTAL_WRITES));
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_OPERATIONS, L"2", kRefreshLimitMs));

    // The saved file appears only when the autosave has written and replaced it completely.
    EXPECT_TRUE(WaitFor([] { return SavedDataExists(); }, kAutosaveLimitMs)) << "no autosave";
    m_program.Terminate();
    ASSERT_FALSE(m_program.IsRunning());

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(15000u, saved.stats.m_qwordWritten);
    EXPECT_EQ(15000u, saved.writtenInTree);

    // A fresh feed: the stand-in of the new process would read the old one from its start again.
    const std::wstring quiet = folder.File(L"quiet.txt");
    ASSERT_TRUE(WriteWholeFile(quiet, ""));
    m_program.SetEnvironment(L"WRIMON_STANDIN_FEED", quiet);
    SetInterfaceDword(L"m_boolAutostartSession", 0);
    ASSERT_TRUE(Launch());
    EXPECT_EQ(written, m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_EQ(L"2", m_program.Text(IDC_TOTAL_OPERATIONS));
    EXPECT_EQ(FormatSize(2000), m_program.Text(IDC_TOTAL_READ));
    EXPECT_TRUE(CloseWithEscape(m_program));
}
