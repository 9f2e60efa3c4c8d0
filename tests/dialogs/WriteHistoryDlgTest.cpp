// The "Write History" dialog under Wine, over a history read from a generated file: the ranges, the
// figures, the bars' tooltips and hover, today's bar following the growth, and resizing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "stats/CapacityList.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryClock.h"
#include "stats/history/HistoryCsv.h"
#include "stats/history/HistoryTexts.h"
#include "stats/history/WriteHistory.h"
#include "support/LogCapture.h"
#include "support/ScriptedDialog.h"
#include "support/TempFolder.h"
#include "ui/dialogs/history/WriteHistoryDlg.h"

namespace
{
using HistoryDialog = ScriptedDialog<CTavrelloWriteHistoryDlg>;

const uint64_t kGiB = 1ull << 30;
const int32_t kToday = DayNumberFromDate(2025, 6, 30);
constexpr int kCapacity240 = 7;

class TestClock : public CQHistoryClock
{
public:
    int32_t LocalDay() const override { return kToday; }
    uint64_t AwakeMilliseconds() const override { return awakeMs; }
    uint64_t awakeMs = 1000000;
};

std::wstring ToolText(HWND toolTip, HWND chart, int bar)
{
    wchar_t buffer[1024] = L"<untouched>";
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = chart;
    tool.uId = static_cast<UINT_PTR>(bar);
    tool.lpszText = buffer;
    ::SendMessageW(toolTip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

int ToolCount(HWND toolTip)
{
    return static_cast<int>(::SendMessageW(toolTip, TTM_GETTOOLCOUNT, 0, 0));
}

RECT ClientRectIn(HWND dialog, int id)
{
    RECT rect = {};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class WriteHistoryDlgTest : public testing::TestWithParam<int>
{
protected:
    // `count` days ending today, every seventh one without monitoring, written as the file the history
    // reads at its start.
    void Generate(int count)
    {
        for (int i = count - 1; i >= 0; --i)
        {
            if (i % 7 == 3)
                continue;
            CQHistoryDay day;
            day.day = kToday - i;
            day.written = (static_cast<uint64_t>(i % 17) + 1) * kGiB / 4;
            day.writtenAligned = day.written + day.written / 3;
            day.operations = 1000 + static_cast<uint64_t>(i);
            day.monitoringSeconds = 3600 * (static_cast<uint64_t>(i % 10) + 1);
            day.topWriters = {{L"svchost.exe", day.written / 2}, {L"a, \"b\".exe", day.written / 4}};
            m_days.push_back(day);
        }
        ASSERT_TRUE(WriteWholeFile(m_folder.File(L"Write History.csv"), FormatHistoryCsv(m_days, "")));
        m_history.Start(m_monitor, m_folder.Path());
        ASSERT_EQ(m_days.size(), m_history.GetDays().size());
    }

    int MonitoredDaysIn(int range) const
    {
        int count = 0;
        for (const CQHistoryDay& day : m_days)
            count += day.day > kToday - range ? 1 : 0;
        return count;
    }

    LogCapture m_log;
    TempFolder m_folder;
    TestClock m_clock;
    CQMonitor m_monitor;
    CQWriteHistory m_history{&m_clock};
    std::vector<CQHistoryDay> m_days;
};

TEST_P(WriteHistoryDlgTest, ShowsEachRangeWithItsFiguresAndToolsAndResizes)
{
    Generate(GetParam());
    HistoryDialog dlg(m_history, kCapacity240, nullptr);
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            EXPECT_EQ(L"Write History", WindowText(hDlg));
            EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(hDlg, IDC_HISTORY_DAYS_30));
            EXPECT_EQ(L"2025-06-01 to 2025-06-30", WindowText(GetDlgItem(hDlg, IDC_HISTORY_SPAN)));
            const struct
            {
                int button;
                int days;
            } ranges[] = {{IDC_HISTORY_DAYS_365, 365}, {IDC_HISTORY_DAYS_90, 90}, {IDC_HISTORY_DAYS_30, 30}};
            for (const auto& range : ranges)
            {
                SCOPED_TRACE(range.days);
                SendMessageW(GetDlgItem(hDlg, range.button), BM_CLICK, 0, 0);
                EXPECT_EQ(range.days, d.GetRangeDays());
                HWND chart = GetDlgItem(hDlg, IDC_HISTORY_CHART);
                EXPECT_EQ(MonitoredDaysIn(range.days), ToolCount(d.GetChart().GetToolTip()));
                const CQRangeFigures figures = ComputeRangeFigures(m_days, kToday - range.days + 1, kToday,
                                                                   LifeBudgetBytes(kCapacity240));
                EXPECT_EQ(FormatAverageSentence(figures, range.days),
                          WindowText(GetDlgItem(hDlg, IDC_HISTORY_AVERAGE)));
                EXPECT_EQ(L"Approx ssd life at that rate, for 240Gb: " + figures.lifeText,
                          WindowText(GetDlgItem(hDlg, IDC_HISTORY_LIFE)));
                // Painted at once, with every bar and label.
                EXPECT_TRUE(RedrawWindow(chart, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW));
                EXPECT_GE(d.GetChart().GetScale().top,
                          m_days.empty() ? 0.0 : static_cast<double>(m_days.back().writtenAligned));
                EXPECT_FALSE(d.GetChart().GetDateLabels().empty());
            }
        });
    // Resized, the chart takes the room; the minimum is the opening size.
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            RECT window = {};
            GetWindowRect(hDlg, &window);
            EXPECT_EQ(window.right - window.left, d.m_intMinTrackWidth);
            EXPECT_EQ(window.bottom - window.top, d.m_intMinTrackHeight);
            const RECT chart = ClientRectIn(hDlg, IDC_HISTORY_CHART);
            const RECT ok = ClientRectIn(hDlg, IDOK);
            const RECT life = ClientRectIn(hDlg, IDC_HISTORY_LIFE);
            SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 300,
                         window.bottom - window.top + 200, SWP_NOMOVE | SWP_NOZORDER);
            const RECT grownChart = ClientRectIn(hDlg, IDC_HISTORY_CHART);
            EXPECT_EQ(chart.right - chart.left + 300, grownChart.right - grownChart.left);
            EXPECT_EQ(chart.bottom - chart.top + 200, grownChart.bottom - grownChart.top);
            EXPECT_EQ(ok.left + 300, ClientRectIn(hDlg, IDOK).left);
            EXPECT_EQ(life.top + 200, ClientRectIn(hDlg, IDC_HISTORY_LIFE).top);
            EXPECT_EQ(chart.left, grownChart.left);
            if (!m_days.empty())
            {
                // The columns follow the new size.
                RECT column = {};
                ASSERT_TRUE(d.GetChart().GetColumnRect(kToday, column));
                EXPECT_EQ(kToday, d.GetChart().DayAt(CenterOf(column)));
            }
            MINMAXINFO info = {};
            SendMessageW(hDlg, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(window.right - window.left, info.ptMinTrackSize.x);
            EXPECT_EQ(window.bottom - window.top, info.ptMinTrackSize.y);
        });
    dlg.steps.push_back([](HistoryDialog& d) { PostButtonClick(d.GetHwnd(), IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(dlg.timedOut);
}

TEST_P(WriteHistoryDlgTest, HoveringABarShowsItsDayAndTodayFollowsTheGrowth)
{
    Generate(GetParam());
    HistoryDialog dlg(m_history, kCapacity240, nullptr);
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            HWND chart = GetDlgItem(d.GetHwnd(), IDC_HISTORY_CHART);
            RECT column = {};
            ASSERT_EQ(!m_days.empty(), d.GetChart().GetColumnRect(kToday, column));
            if (m_days.empty())
                return;
            const POINT centre = CenterOf(column);
            SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
            EXPECT_EQ(kToday, d.GetChart().GetHoverDay());
            EXPECT_EQ(kToday, d.GetChart().DayAt(centre));
            EXPECT_EQ(FormatDayToolTip(m_days.back(), true), ToolText(d.GetChart().GetToolTip(), chart, 29));

            // The main window's refresh counts more for today; the dialog's timer takes it.
            m_monitor.m_stats.m_qwordWritten += kGiB;
            m_clock.awakeMs += 1000;
            m_history.Refresh(m_monitor);
            SendMessageW(d.GetHwnd(), WM_TIMER, 1, 0);
            CQHistoryDay grown = m_days.back();
            grown.written += kGiB;
            EXPECT_EQ(FormatDayToolTip(grown, true), ToolText(d.GetChart().GetToolTip(), chart, 29));
        });
    dlg.steps.push_back([](HistoryDialog& d) { PostMessageW(d.GetHwnd(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
}

INSTANTIATE_TEST_SUITE_P(Days, WriteHistoryDlgTest, testing::Values(0, 1, 400, 3650),
                         [](const testing::TestParamInfo<int>& info)
                         { return std::to_string(info.param) + "Days"; });
} // namespace
