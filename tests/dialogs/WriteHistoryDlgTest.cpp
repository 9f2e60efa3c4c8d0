// The "Write History" dialog under Wine, over a history read from a generated file: the ranges, the
// figures, the bars' tooltips and hover, today's bar following the growth, resizing, the legend against
// the bars as painted, a spike cut off, the keyboard walk over the days, and a drive's own host writes
// from the drive history beside the bars.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "stats/CapacityList.h"
#include "stats/health/DriveHistory.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryClock.h"
#include "stats/history/HistoryCsv.h"
#include "stats/history/HistoryTexts.h"
#include "stats/history/WriteHistory.h"
#include "support/LogCapture.h"
#include "support/ScriptedDialog.h"
#include "support/TempFolder.h"
#include "support/TestCanvas.h"
#include "ui/controls/ComboDriveItem.h"
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

// A history read from a file of the given rows, as the program starts it.
class HistoryData
{
public:
    void Start(const std::vector<CQHistoryDay>& days)
    {
        m_days = days;
        ASSERT_TRUE(WriteWholeFile(m_folder.File(L"Write History.csv"), FormatHistoryCsv(m_days, "")));
        m_history.Start(m_monitor, m_folder.Path());
        ASSERT_EQ(m_days.size(), m_history.GetDays().size());
    }

    // `count` days ending today, every seventh one without monitoring.
    void Generate(int count)
    {
        std::vector<CQHistoryDay> days;
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
            days.push_back(day);
        }
        Start(days);
    }

    LogCapture m_log;
    TempFolder m_folder;
    TestClock m_clock;
    CQMonitor m_monitor;
    CQWriteHistory m_history{&m_clock};
    std::vector<CQHistoryDay> m_days;
};

class WriteHistoryDlgTest : public testing::TestWithParam<int>
{
protected:
    void Generate(int count) { m_data.Generate(count); }

    // Bars with monitoring in the last `range` days: days, or the weeks that hold them for a year.
    int MonitoredBarsIn(int range) const
    {
        std::vector<int32_t> bars;
        for (const CQHistoryDay& day : m_data.m_days)
        {
            if (day.day <= kToday - range)
                continue;
            const int32_t bar = range > 90 ? std::max(WeekStart(day.day), kToday - range + 1) : day.day;
            if (bars.empty() || bars.back() != bar)
                bars.push_back(bar);
        }
        return static_cast<int>(bars.size());
    }

    HistoryData m_data;
    CQMonitor& m_monitor = m_data.m_monitor;
    CQWriteHistory& m_history = m_data.m_history;
    TestClock& m_clock = m_data.m_clock;
    const std::vector<CQHistoryDay>& m_days = m_data.m_days;
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
                EXPECT_EQ(MonitoredBarsIn(range.days), ToolCount(d.GetChart().GetToolTip()));
                EXPECT_EQ(range.days > 90 ? 53 : range.days, d.GetChart().GetBarCount())
                    << "2025-06-30 is a Monday: a year from 2024-07-01, a Monday too, is 52 weeks and a day";
                const CQRangeFigures figures = ComputeRangeFigures(m_days, kToday - range.days + 1, kToday,
                                                                   LifeBudgetBytes(kCapacity240));
                EXPECT_EQ(FormatAverageSentence(figures), WindowText(GetDlgItem(hDlg, IDC_HISTORY_AVERAGE)));
                EXPECT_EQ(L"Approx ssd life at that rate, for 240Gb: " + figures.lifeText,
                          WindowText(GetDlgItem(hDlg, IDC_HISTORY_LIFE)));
                // Painted at once, with every bar and label.
                EXPECT_TRUE(RedrawWindow(chart, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW));
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
            const RECT drive = ClientRectIn(hDlg, IDC_HISTORY_DRIVE);
            SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 300,
                         window.bottom - window.top + 200, SWP_NOMOVE | SWP_NOZORDER);
            const RECT grownChart = ClientRectIn(hDlg, IDC_HISTORY_CHART);
            EXPECT_EQ(chart.right - chart.left + 300, grownChart.right - grownChart.left);
            EXPECT_EQ(chart.bottom - chart.top + 200, grownChart.bottom - grownChart.top);
            EXPECT_EQ(ok.left + 300, ClientRectIn(hDlg, IDOK).left);
            EXPECT_EQ(life.top + 200, ClientRectIn(hDlg, IDC_HISTORY_LIFE).top);
            EXPECT_EQ(drive.top + 200, ClientRectIn(hDlg, IDC_HISTORY_DRIVE).top);
            EXPECT_EQ(drive.left, ClientRectIn(hDlg, IDC_HISTORY_DRIVE).left);
            EXPECT_EQ(chart.left, grownChart.left);
            if (!m_days.empty())
            {
                // The columns follow the new size.
                RECT column = {};
                const int today = d.GetChart().BarOfDay(kToday);
                ASSERT_TRUE(d.GetChart().GetColumnRect(today, column));
                EXPECT_EQ(today, d.GetChart().BarAt(CenterOf(column)));
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
            ASSERT_EQ(29, d.GetChart().BarOfDay(kToday));
            ASSERT_TRUE(d.GetChart().GetColumnRect(29, column));
            const POINT centre = CenterOf(column);
            SendMessageW(chart, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
            EXPECT_EQ(m_days.empty() ? -1 : 29, d.GetChart().GetHoverBar()) << "only bars with monitoring";
            EXPECT_EQ(29, d.GetChart().BarAt(centre));
            if (m_days.empty())
                return;
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

namespace
{
class WriteHistoryChartTest : public testing::Test
{
protected:
    static CQHistoryDay Day(int32_t day, uint64_t written, uint64_t aligned)
    {
        CQHistoryDay row;
        row.day = day;
        row.written = written;
        row.writtenAligned = aligned;
        row.monitoringSeconds = 3600;
        return row;
    }

    HistoryData m_data;
};

// The chart as it paints itself, on a canvas of its client size.
struct PaintedChart
{
    explicit PaintedChart(HWND chart) : canvas(ClientWidth(chart), ClientHeight(chart))
    {
        canvas.Fill(RGB(255, 0, 255));
        SendMessageW(chart, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        GdiFlush();
    }
    COLORREF Centre(const RECT& rect) const
    {
        const POINT point = CenterOf(rect);
        return canvas.Pixel(point.x, point.y);
    }
    static int ClientHeight(HWND hwnd)
    {
        RECT rect = {};
        GetClientRect(hwnd, &rect);
        return rect.bottom - rect.top;
    }
    TestCanvas canvas;
};

std::vector<std::wstring> LegendTexts(const CQHistoryChart& chart)
{
    std::vector<std::wstring> texts;
    for (const CQHistoryChart::LegendEntry& entry : chart.GetLegend())
        texts.push_back(entry.text);
    return texts;
}
} // namespace

TEST_F(WriteHistoryChartTest, TheLegendNamesTheBarsAsTheyArePaintedAndASpikeIsCutOffNotFlatteningTheRest)
{
    // Nine days of 2 GiB (3 GiB aligned) and one of 40 GiB (48 GiB aligned), nothing yet today.
    std::vector<CQHistoryDay> days;
    for (int back = 10; back >= 1; --back)
        days.push_back(back == 5 ? Day(kToday - back, 40 * kGiB, 48 * kGiB)
                                 : Day(kToday - back, 2 * kGiB, 3 * kGiB));
    m_data.Start(days);
    HistoryDialog dlg(m_data.m_history, kCapacity240, nullptr);
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            const CQHistoryChart& chart = d.GetChart();
            HWND hChart = GetDlgItem(d.GetHwnd(), IDC_HISTORY_CHART);
            EXPECT_EQ((std::vector<std::wstring>{L"Aligned to (4k)", L"Written (raw)", L"Today so far",
                                                 L"Average per monitored day"}),
                      LegendTexts(chart));
            RECT column = {};
            ASSERT_TRUE(chart.GetColumnRect(0, column));
            RECT client = {};
            GetClientRect(hChart, &client);
            int right = 0;
            for (const CQHistoryChart::LegendEntry& entry : chart.GetLegend())
            {
                EXPECT_GE(entry.swatch.top, column.bottom) << "under the plot";
                EXPECT_LE(entry.swatch.bottom, client.bottom);
                EXPECT_GE(entry.swatch.left, right) << "entries side by side";
                EXPECT_GT(entry.textLeft, entry.swatch.right);
                right = entry.textLeft;
            }

            const PaintedChart painted(hChart);
            const COLORREF background = painted.canvas.Pixel(1, 1);
            const COLORREF alignedSwatch = painted.Centre(chart.GetLegend()[0].swatch);
            const COLORREF writtenSwatch = painted.Centre(chart.GetLegend()[1].swatch);
            EXPECT_NE(alignedSwatch, writtenSwatch);
            EXPECT_NE(background, alignedSwatch);

            // An ordinary day: the aligned bar's edge and the raw bar inside it in the legend's colours,
            // half the axis high (3 GiB of 6: the spike does not set the axis).
            const int ordinary = chart.BarOfDay(kToday - 2);
            RECT bar = {};
            ASSERT_TRUE(chart.GetBarRect(ordinary, bar));
            EXPECT_FALSE(chart.IsCutOff(ordinary));
            EXPECT_EQ(alignedSwatch, painted.canvas.Pixel(bar.left, bar.bottom - 2));
            EXPECT_EQ(writtenSwatch, painted.canvas.Pixel((bar.left + bar.right) / 2, bar.bottom - 2));
            EXPECT_EQ(L"6 Gb", FormatAxisValue(chart.GetScale().top, chart.GetScale()));
            EXPECT_NEAR((column.bottom - column.top) / 2, bar.bottom - bar.top, 2);

            // The spike reaches the top of the plot, broken just under it.
            const int spike = chart.BarOfDay(kToday - 5);
            ASSERT_TRUE(chart.GetBarRect(spike, bar));
            EXPECT_TRUE(chart.IsCutOff(spike));
            EXPECT_EQ(column.top, bar.top);
            EXPECT_EQ(background, painted.canvas.Pixel(bar.left + 1, bar.top + 6)) << "the break";
            EXPECT_EQ(alignedSwatch, painted.canvas.Pixel(bar.left, bar.top + 2));

            // Today, with nothing counted yet, still has its bar: low, framed and hatched like the legend's.
            const int today = chart.BarOfDay(kToday);
            ASSERT_TRUE(chart.GetBarRect(today, bar));
            EXPECT_GE(bar.bottom - bar.top, 3);
            EXPECT_EQ(alignedSwatch, painted.canvas.Pixel(bar.left, bar.top)) << "the frame";
            const RECT growing = chart.GetLegend()[2].swatch;
            EXPECT_EQ(alignedSwatch, painted.canvas.Pixel(growing.left, growing.top)) << "the frame";
            EXPECT_FALSE(painted.canvas.AllPixels(
                RECT{growing.left + 1, growing.top + 1, growing.right - 1, growing.bottom - 1},
                alignedSwatch))
                << "hatched, not solid";

            // A year is shown in weeks: this week's bar, and no line of a daily average over them.
            SendMessageW(GetDlgItem(d.GetHwnd(), IDC_HISTORY_DAYS_365), BM_CLICK, 0, 0);
            EXPECT_EQ((std::vector<std::wstring>{L"Aligned to (4k)", L"Written (raw)", L"This week so far"}),
                      LegendTexts(chart));
            ASSERT_TRUE(chart.GetBarRect(chart.GetBarCount() - 1, bar));
            EXPECT_GE(bar.bottom - bar.top, 3);
            EXPECT_EQ(L"2024-07-01 to 2025-06-30, in weeks",
                      WindowText(GetDlgItem(d.GetHwnd(), IDC_HISTORY_SPAN)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST_F(WriteHistoryChartTest, TheArrowKeysWalkTheDaysAndTheirFiguresShowUnderTheChart)
{
    m_data.Generate(40);
    HistoryDialog dlg(m_data.m_history, kCapacity240, nullptr);
    HWND hChart = nullptr;
    auto dayLine = [](HistoryDialog& d) { return WindowText(GetDlgItem(d.GetHwnd(), IDC_HISTORY_DAY)); };
    auto post = [&](WPARAM key) { PostMessageW(hChart, WM_KEYDOWN, key, 0); };
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            hChart = GetDlgItem(d.GetHwnd(), IDC_HISTORY_CHART);
            // Tab from the range buttons reaches the chart.
            HWND hRange = GetDlgItem(d.GetHwnd(), IDC_HISTORY_DAYS_30);
            SetFocus(hRange);
            PostMessageW(hRange, WM_KEYDOWN, VK_TAB, 0);
        });
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            EXPECT_EQ(hChart, GetFocus());
            EXPECT_EQ(29, d.GetChart().GetSelectedBar()) << "today's bar first";
            EXPECT_EQ(
                L"2025-06-30 (so far): written 256.00 Mb, aligned to (4k) 341.33 Mb, monitored 0 01:00:00, "
                L"top writer svchost.exe 128.00 Mb",
                dayLine(d));
            for (int i = 0; i < 3; ++i)
                post(VK_LEFT);
        });
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            EXPECT_EQ(26, d.GetChart().GetSelectedBar());
            EXPECT_EQ(L"2025-06-27: not monitored", dayLine(d));
            post(VK_LEFT);
        });
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            EXPECT_EQ(
                L"2025-06-26: written 1.25 Gb, aligned to (4k) 1.67 Gb, monitored 0 05:00:00, top writer "
                L"svchost.exe 640.00 Mb",
                dayLine(d));
            post(VK_HOME);
            post(VK_LEFT); // nothing before the first day
            post(VK_RIGHT);
        });
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            EXPECT_EQ(1, d.GetChart().GetSelectedBar());
            EXPECT_EQ(
                L"2025-06-02: written 3.00 Gb, aligned to (4k) 4.00 Gb, monitored 0 09:00:00, top writer "
                L"svchost.exe 1.50 Gb",
                dayLine(d));
            post(VK_END);
            post(VK_RIGHT); // nothing after today
        });
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            EXPECT_EQ(29, d.GetChart().GetSelectedBar());
            // The mouse selects too; another range keeps the day selected.
            RECT column = {};
            ASSERT_TRUE(d.GetChart().GetColumnRect(4, column));
            ClickAt(hChart, CenterOf(column));
            EXPECT_EQ(4, d.GetChart().GetSelectedBar());
            EXPECT_EQ(0u, dayLine(d).find(L"2025-06-05: ")) << testing::PrintToString(dayLine(d));
            SendMessageW(GetDlgItem(d.GetHwnd(), IDC_HISTORY_DAYS_90), BM_CLICK, 0, 0);
            EXPECT_EQ(64, d.GetChart().GetSelectedBar());
            EXPECT_EQ(0u, dayLine(d).find(L"2025-06-05: "));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

namespace
{
// The names the drive combo's rows draw.
std::vector<std::wstring> ComboNames(HWND combo)
{
    std::vector<std::wstring> names;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
    {
        const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(row), 0);
        names.push_back(data == CB_ERR || data == 0
                            ? L"<no item>"
                            : reinterpret_cast<const CComboDriveItem*>(data)->m_csName);
    }
    return names;
}

void ChooseDrive(HWND dialog, int row)
{
    HWND combo = GetDlgItem(dialog, IDC_HISTORY_DRIVE);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_HISTORY_DRIVE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

CQDriveDay DriveRow(int32_t day, uint64_t written)
{
    CQDriveDay row;
    row.day = day;
    row.disk = 1;
    row.model = L"Model X";
    row.serial = L"S1";
    row.written = written;
    row.source = CQHealthSource::nvme;
    return row;
}
} // namespace

TEST_F(WriteHistoryChartTest, ADrivesOwnHostWritesShowBesideTheBarsWhenChosen)
{
    // Measured: five days of 2 GiB (3 GiB aligned) before today. The drive's counter: 100 GiB three days
    // ago, then 1 GiB, 3 GiB and 512 MiB more a day.
    std::vector<CQHistoryDay> days;
    for (int back = 5; back >= 1; --back)
        days.push_back(Day(kToday - back, 2 * kGiB, 3 * kGiB));
    m_data.Start(days);

    // Without drive readings there is nothing to choose.
    CQDriveHistory empty;
    HistoryDialog plain(m_data.m_history, kCapacity240, nullptr, &empty);
    plain.steps.push_back(
        [&](HistoryDialog& d)
        {
            HWND combo = GetDlgItem(d.GetHwnd(), IDC_HISTORY_DRIVE);
            EXPECT_FALSE(IsWindowEnabled(combo));
            EXPECT_EQ(std::vector<std::wstring>{L"None"}, ComboNames(combo));
            EXPECT_EQ(0, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, plain.DoModal());

    CQDriveHistory drives;
    drives.SetRows({DriveRow(kToday - 3, 100 * kGiB), DriveRow(kToday - 2, 101 * kGiB),
                    DriveRow(kToday - 1, 104 * kGiB), DriveRow(kToday, 104 * kGiB + kGiB / 2)});
    HistoryDialog dlg(m_data.m_history, kCapacity240, nullptr, &drives);
    auto dayLine = [](HistoryDialog& d) { return WindowText(GetDlgItem(d.GetHwnd(), IDC_HISTORY_DAY)); };
    dlg.steps.push_back(
        [&](HistoryDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            HWND combo = GetDlgItem(hDlg, IDC_HISTORY_DRIVE);
            const CQHistoryChart& chart = d.GetChart();
            EXPECT_TRUE(IsWindowEnabled(combo));
            EXPECT_EQ((std::vector<std::wstring>{L"None", L"Disk 1, Model X, serial S1"}), ComboNames(combo));
            EXPECT_EQ(0, SendMessageW(combo, CB_GETCURSEL, 0, 0));
            EXPECT_FALSE(chart.GetBar(chart.BarOfDay(kToday - 1)).driveWritten);
            EXPECT_EQ(4u, chart.GetLegend().size());

            ChooseDrive(hDlg, 1);
            EXPECT_EQ(L"S1", d.GetDriveIdentity());
            EXPECT_EQ((std::vector<std::wstring>{L"Aligned to (4k)", L"Written (raw)", L"Drive's host writes",
                                                 L"Today so far", L"Average per monitored day"}),
                      LegendTexts(chart));
            EXPECT_FALSE(chart.GetBar(chart.BarOfDay(kToday - 3)).driveWritten);
            EXPECT_EQ(std::optional<uint64_t>(kGiB), chart.GetBar(chart.BarOfDay(kToday - 2)).driveWritten);
            EXPECT_EQ(std::optional<uint64_t>(3 * kGiB),
                      chart.GetBar(chart.BarOfDay(kToday - 1)).driveWritten);
            EXPECT_EQ(std::optional<uint64_t>(kGiB / 2), chart.GetBar(chart.BarOfDay(kToday)).driveWritten);
            // Today is selected: not monitored yet, but the drive wrote.
            EXPECT_EQ(L"2025-06-30 (so far): not monitored, drive wrote 512.00 Mb", dayLine(d));

            // Yesterday: its line and tooltip say what the drive wrote.
            const int yesterday = chart.BarOfDay(kToday - 1);
            RECT column = {};
            ASSERT_TRUE(chart.GetColumnRect(yesterday, column));
            HWND hChart = GetDlgItem(hDlg, IDC_HISTORY_CHART);
            ClickAt(hChart, CenterOf(column));
            EXPECT_EQ(
                L"2025-06-29: written 2.00 Gb, aligned to (4k) 3.00 Gb, monitored 0 01:00:00, drive wrote "
                L"3.00 Gb",
                dayLine(d));
            const std::wstring tip = ToolText(chart.GetToolTip(), hChart, yesterday);
            EXPECT_NE(std::wstring::npos, tip.find(L"\r\nWritten: 2.00 Gb\r\nDrive wrote: 3.00 Gb\r\n"))
                << testing::PrintToString(tip);

            // The drive's bar stands beside the measured one, in its legend colour, as high as the axis
            // holds it: 3 GiB of both, on an axis of 3 GiB.
            RECT bar = {};
            RECT drive = {};
            ASSERT_TRUE(chart.GetBarRect(yesterday, bar));
            ASSERT_TRUE(chart.GetDriveBarRect(yesterday, drive));
            EXPECT_GE(drive.left, bar.right);
            EXPECT_LE(drive.right, column.right);
            EXPECT_EQ(bar.top, drive.top);
            EXPECT_FALSE(chart.IsCutOff(yesterday));
            const PaintedChart painted(hChart);
            const COLORREF driveSwatch = painted.Centre(chart.GetLegend()[2].swatch);
            EXPECT_EQ(driveSwatch, painted.Centre(drive));
            EXPECT_NE(painted.Centre(chart.GetLegend()[0].swatch), driveSwatch);
            EXPECT_NE(painted.Centre(chart.GetLegend()[1].swatch), driveSwatch);
            EXPECT_NE(painted.canvas.Pixel(1, 1), driveSwatch);

            // Another range keeps the drive: a year in weeks sums them, Saturday and Sunday in one.
            SendMessageW(GetDlgItem(hDlg, IDC_HISTORY_DAYS_365), BM_CLICK, 0, 0);
            EXPECT_EQ(1, SendMessageW(combo, CB_GETCURSEL, 0, 0));
            EXPECT_EQ(std::optional<uint64_t>(4 * kGiB), chart.GetBar(chart.GetBarCount() - 2).driveWritten);
            EXPECT_EQ(std::optional<uint64_t>(kGiB / 2), chart.GetBar(chart.GetBarCount() - 1).driveWritten);
            EXPECT_EQ(L"Drive's host writes", chart.GetLegend()[2].text);

            // "None" takes the series away again.
            ChooseDrive(hDlg, 0);
            EXPECT_EQ(L"", d.GetDriveIdentity());
            EXPECT_FALSE(chart.GetBar(chart.GetBarCount() - 1).driveWritten);
            EXPECT_EQ((std::vector<std::wstring>{L"Aligned to (4k)", L"Written (raw)", L"This week so far"}),
                      LegendTexts(chart));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
