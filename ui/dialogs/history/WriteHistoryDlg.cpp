#include "ui/dialogs/history/WriteHistoryDlg.h"

#include "app/sysdll/UxTheme.h"

#include <algorithm>

#include "resources/resource.h"
#include "stats/CapacityList.h"
#include "stats/health/DriveHistory.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryBars.h"
#include "stats/history/HistoryTexts.h"
#include "stats/history/WriteHistory.h"
#include "ui/controls/ControlColors.h"

namespace
{
constexpr UINT_PTR kFollowTimerId = 1;
constexpr UINT kFollowPeriodMs = 2000;

struct RangeChoice
{
    int id;
    int days;
};
constexpr RangeChoice kRanges[] = {
    {IDC_HISTORY_DAYS_30, 30},
    {IDC_HISTORY_DAYS_90, 90},
    {IDC_HISTORY_DAYS_365, 365},
};

bool SameDay(const CQHistoryDay& a, const CQHistoryDay& b)
{
    if (a.day != b.day || a.written != b.written || a.writtenAligned != b.writtenAligned ||
        a.read != b.read || a.operations != b.operations || a.monitoringSeconds != b.monitoringSeconds ||
        a.topWriters.size() != b.topWriters.size())
        return false;
    for (size_t i = 0; i < a.topWriters.size(); ++i)
    {
        if (a.topWriters[i].bytes != b.topWriters[i].bytes || a.topWriters[i].name != b.topWriters[i].name)
            return false;
    }
    return true;
}
} // namespace

CTavrelloWriteHistoryDlg::CTavrelloWriteHistoryDlg(CQWriteHistory& history, int capacityIndex, HWND parent,
                                                   const CQDriveHistory* driveHistory)
    : CQResizeDialog(IDD_WRITE_HISTORY, parent), m_history(history),
      m_intCapacityIndex(std::max(0, std::min(capacityIndex, kCapacityCount - 1))),
      m_pDriveHistory(driveHistory)
{
    m_comboDrive.AttachBrush(::CreateSolidBrush(kControlBackgroundColor));
}

CTavrelloWriteHistoryDlg::~CTavrelloWriteHistoryDlg() = default;

BOOL CTavrelloWriteHistoryDlg::OnInitDialog()
{
    CQResizeDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_chart.Attach(m_hWnd, IDC_HISTORY_CHART);
    m_comboDrive.Attach(m_hWnd, IDC_HISTORY_DRIVE);
    FillDriveList();
    for (const RangeChoice& range : kRanges)
    {
        // A theme name that matches nothing turns visual styles off, so the dialog's colours apply.
        if (HWND hButton = GetDlgItem(range.id))
            ::SetWindowTheme(hButton, L"wstr", L"wstr");
    }
    m_arrDays = m_history.GetDays();
    m_intToday = m_history.GetToday();
    ::CheckRadioButton(m_hWnd, IDC_HISTORY_DAYS_30, IDC_HISTORY_DAYS_365, IDC_HISTORY_DAYS_30);
    ShowRange(30);
    m_uintTimer = ::SetTimer(m_hWnd, kFollowTimerId, kFollowPeriodMs, nullptr);
    return TRUE;
}

void CTavrelloWriteHistoryDlg::FillDriveList()
{
    if (m_pDriveHistory)
        m_arrDriveChoices = DriveChoices(*m_pDriveHistory);
    // The rows point into the items: they are all made before the first row.
    m_arrDriveItems.resize(m_arrDriveChoices.size() + 1);
    m_arrDriveItems[0].m_csName = L"None";
    for (size_t i = 0; i < m_arrDriveChoices.size(); ++i)
        m_arrDriveItems[i + 1].m_csName = m_arrDriveChoices[i].title;
    HWND hCombo = m_comboDrive.GetHwnd();
    for (CComboDriveItem& item : m_arrDriveItems)
    {
        // The row draws the name of its item; its own text is a blank.
        const LRESULT row = ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L" "));
        if (row != CB_ERR && row != CB_ERRSPACE)
            ::SendMessageW(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
    ::EnableWindow(hCombo, !m_arrDriveChoices.empty());
}

void CTavrelloWriteHistoryDlg::OnDriveChosen()
{
    const LRESULT row = ::SendMessageW(m_comboDrive.GetHwnd(), CB_GETCURSEL, 0, 0);
    std::wstring identity;
    if (row >= 1 && static_cast<size_t>(row) <= m_arrDriveChoices.size())
        identity = m_arrDriveChoices[static_cast<size_t>(row) - 1].identity;
    if (identity == m_csDriveIdentity)
        return;
    m_csDriveIdentity = identity;
    ShowRange(m_intRangeDays);
}

void CTavrelloWriteHistoryDlg::OnDestroy()
{
    if (m_uintTimer)
        ::KillTimer(m_hWnd, kFollowTimerId);
    m_uintTimer = 0;
    CQResizeDialog::OnDestroy();
}

void CTavrelloWriteHistoryDlg::ShowRange(int days)
{
    m_intRangeDays = days;
    const int32_t lastDay = m_intToday;
    const int32_t firstDay = lastDay - days + 1;
    const int daysPerBar = DaysPerBar(days);
    const CQRangeFigures figures =
        ComputeRangeFigures(m_arrDays, firstDay, m_intToday, LifeBudgetBytes(m_intCapacityIndex));
    // A line of the average per day over bars of weeks would read as a week's.
    const bool averageLine = daysPerBar == 1 && figures.monitoredDays > 0;
    std::vector<CQChartBar> bars = GroupIntoBars(m_arrDays, firstDay, lastDay, m_intToday, daysPerBar);
    // The drive's figures are taken afresh: the main window's refresh adds the day's readings.
    const bool driveSeries = m_pDriveHistory && !m_csDriveIdentity.empty();
    if (driveSeries)
        AddDriveHostBytes(bars, m_pDriveHistory->HostBytesPerDay(m_csDriveIdentity));
    m_chart.SetData(std::move(bars), daysPerBar == 1 ? firstDay : WeekStart(firstDay), daysPerBar,
                    figures.averagePerDay, averageLine ? figures.perDayText : std::wstring(), driveSeries);
    SetDlgItemText(IDC_HISTORY_SPAN, (FormatDayNumber(firstDay) + L" to " + FormatDayNumber(lastDay) +
                                      (daysPerBar == 1 ? L"" : L", in weeks"))
                                         .c_str());
    SetDlgItemText(IDC_HISTORY_AVERAGE, FormatAverageSentence(figures).c_str());
    SetDlgItemText(IDC_HISTORY_LIFE,
                   FormatLifeSentence(figures, g_capacityList[m_intCapacityIndex].name).c_str());
    ShowSelectedBar();
}

void CTavrelloWriteHistoryDlg::ShowSelectedBar()
{
    const int bar = m_chart.GetSelectedBar();
    SetDlgItemText(IDC_HISTORY_DAY, bar >= 0 ? FormatBarLine(m_chart.GetBar(bar)).c_str() : L"");
}

const wchar_t* CTavrelloWriteHistoryDlg::GetToolTipText(UINT controlId)
{
    return controlId == IDC_HISTORY_AVERAGE || controlId == IDC_HISTORY_LIFE ? kAverageToolTip : nullptr;
}

bool CTavrelloWriteHistoryDlg::FollowToday()
{
    bool changed = false;
    const int32_t today = m_history.GetToday();
    if (today != m_intToday)
    {
        m_intToday = today;
        changed = true;
    }
    CQHistoryDay last;
    if (m_history.GetLastDay(last))
    {
        if (m_arrDays.empty() || last.day > m_arrDays.back().day)
        {
            m_arrDays.push_back(std::move(last));
            changed = true;
        }
        else if (last.day == m_arrDays.back().day && !SameDay(last, m_arrDays.back()))
        {
            m_arrDays.back() = std::move(last);
            changed = true;
        }
    }
    return changed;
}

void CTavrelloWriteHistoryDlg::OnTimer(UINT_PTR id)
{
    if (id == kFollowTimerId && FollowToday())
        ShowRange(m_intRangeDays);
}

BOOL CTavrelloWriteHistoryDlg::OnCommand(UINT id, UINT code, HWND hwndControl)
{
    if (id == IDC_HISTORY_CHART && code == CQHistoryChart::kSelectionChanged)
    {
        ShowSelectedBar();
        return TRUE;
    }
    if (id == IDC_HISTORY_DRIVE && code == CBN_SELCHANGE)
    {
        OnDriveChosen();
        return TRUE;
    }
    if (code == BN_CLICKED)
    {
        for (const RangeChoice& range : kRanges)
        {
            if (range.id == static_cast<int>(id))
            {
                if (range.days != m_intRangeDays)
                    ShowRange(range.days);
                return TRUE;
            }
        }
    }
    return CQResizeDialog::OnCommand(id, code, hwndControl);
}

BOOL CTavrelloWriteHistoryDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const BOOL handled = CQResizeDialog::WindowProc(message, wParam, lParam, result);
    if (message == WM_SIZE)
    {
        RepaintWhole({IDC_HISTORY_SPAN, IDC_HISTORY_DAY, IDC_HISTORY_AVERAGE, IDC_HISTORY_LIFE});
    }
    return handled;
}

void CTavrelloWriteHistoryDlg::RepositionControls()
{
    int dx = 0;
    int dy = 0;
    TakeSizeChange(dx, dy);
    // The chart takes all extra room; the sentences, the drive's choice and the button stay below it.
    OffsetControl(IDC_HISTORY_SPAN, 0, 0, dx, 0);
    OffsetControl(IDC_HISTORY_CHART, 0, 0, dx, dy);
    OffsetControl(IDC_HISTORY_DAY, 0, dy, dx, 0);
    OffsetControl(IDC_HISTORY_AVERAGE, 0, dy, dx, 0);
    OffsetControl(IDC_HISTORY_LIFE, 0, dy, dx, 0);
    OffsetControl(IDC_HISTORY_DRIVE_LABEL, 0, dy, 0, 0);
    OffsetControl(IDC_HISTORY_DRIVE, 0, dy, 0, 0);
    OffsetControl(IDOK, dx, dy, 0, 0);
}
