// The real program keeps "Write History.csv": the rows of earlier runs and lines it does not understand
// stay, and today's monitoring is added when it saves at exit.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryCsv.h"
#include "support/TempFolder.h"

namespace
{
int32_t LocalToday()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return DayNumberFromDate(now.wYear, now.wMonth, now.wDay);
}
} // namespace

TEST_F(MainWindowTest, ARunAddsTodayToTheWriteHistoryAndKeepsWhatWasThere)
{
    CQHistoryDay old;
    old.day = DayNumberFromDate(2020, 2, 29);
    old.written = 123456;
    old.monitoringSeconds = 7200;
    old.topWriters = {{L"svchost.exe", 100000}};
    const std::string foreign = "Sum,123456,,,,,";
    ASSERT_TRUE(WriteWholeFile(WriteHistoryPath(), FormatHistoryCsv({old}, foreign + "\r\n")));

    SetInterfaceDword(L"m_boolAutostartSession", 1);
    const int32_t firstDay = LocalToday();
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(m_program.WaitForText(
        IDC_MONITORING_TIME, [](const std::wstring& text) { return text >= L"0 00:00:03"; },
        kRefreshLimitMs + 3000));
    EXPECT_TRUE(CloseWithEscape(m_program));
    const int32_t lastDay = LocalToday();

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(WriteHistoryPath(), bytes));
    const CQHistoryFileContents saved = ParseHistoryCsv(bytes);
    EXPECT_EQ(1u, saved.problemCount) << "only the line that is not a row";
    EXPECT_EQ(foreign + "\r\n", saved.keptLines);
    ASSERT_GE(saved.days.size(), 2u);
    EXPECT_EQ(old.day, saved.days[0].day);
    EXPECT_EQ(123456u, saved.days[0].written);
    EXPECT_EQ(L"svchost.exe", saved.days[0].topWriters.at(0).name);
    const CQHistoryDay& today = saved.days.back();
    EXPECT_TRUE(today.day == firstDay || today.day == lastDay) << today.day;
    EXPECT_GE(today.monitoringSeconds, 1u);
}
