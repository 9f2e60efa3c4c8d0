#include "ui/dialogs/health/DriveHealthDlg.h"

#include <commctrl.h>

#include <cwchar>
#include <ctime>

#include "resources/resource.h"
#include "stats/health/DriveHealth.h"
#include "stats/health/DriveRatings.h"
#include "ui/controls/ControlColors.h"

namespace
{
constexpr UINT_PTR kFollowTimerId = 1;
constexpr UINT kFollowPeriodMs = 500;
constexpr COLORREF kListBackgroundColor = kControlBackgroundColor;
constexpr COLORREF kListTextColor = kControlTextColor;

std::wstring TimeOfDay(int64_t time)
{
    const time_t seconds = static_cast<time_t>(time);
    struct tm local = {};
    wchar_t text[32] = L"";
    if (localtime_s(&local, &seconds) == 0)
        wcsftime(text, 32, L"%H:%M:%S", &local);
    return text;
}
} // namespace

CTavrelloDriveHealthDlg::CTavrelloDriveHealthDlg(CQDriveHealth& health, CQMonitor& monitor, HWND parent)
    : CQResizeDialog(IDD_DRIVE_HEALTH, parent), m_health(health), m_monitor(monitor),
      m_brushEdit(::CreateSolidBrush(kControlBackgroundColor))
{
}

CTavrelloDriveHealthDlg::~CTavrelloDriveHealthDlg() = default;

BOOL CTavrelloDriveHealthDlg::OnInitDialog()
{
    CQResizeDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_buttonSet.Attach(m_hWnd, IDC_HEALTH_SET_RATING);
    m_buttonReadNow.Attach(m_hWnd, IDC_HEALTH_READ_NOW);
    m_list.Attach(m_hWnd, IDC_HEALTH_LIST);
    m_list.SetCells(&m_arrCells);
    m_list.EnableCopy(TRUE);
    if (HWND hList = m_list.GetHwnd())
    {
        m_list.InsertColumns();
        ::SendMessageW(hList, LVM_SETBKCOLOR, 0, kListBackgroundColor);
        ::SendMessageW(hList, LVM_SETTEXTCOLOR, 0, kListTextColor);
        ::SendMessageW(hList, LVM_SETTEXTBKCOLOR, 0, kListBackgroundColor);
        ::SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }
    ::SendDlgItemMessageW(m_hWnd, IDC_HEALTH_RATING, EM_SETLIMITTEXT, 10, 0);
    Follow();
    m_uintTimer = ::SetTimer(m_hWnd, kFollowTimerId, kFollowPeriodMs, nullptr);
    return TRUE;
}

void CTavrelloDriveHealthDlg::OnDestroy()
{
    if (m_uintTimer)
        ::KillTimer(m_hWnd, kFollowTimerId);
    m_uintTimer = 0;
    m_list.SetCells(nullptr);
    CQResizeDialog::OnDestroy();
}

void CTavrelloDriveHealthDlg::Follow()
{
    if (!m_boolFilled || m_health.GetVersion() != m_qwordVersion)
    {
        // The selection follows its disk, not its place in the list.
        const int selected = m_list.GetSelectedRow();
        const bool haveSelection = selected >= 0 && static_cast<size_t>(selected) < m_arrDisks.size();
        const uint32_t selectedDisk = haveSelection ? m_arrDisks[static_cast<size_t>(selected)] : 0;
        m_qwordVersion = m_health.GetVersion();
        m_boolFilled = true;
        m_arrCells.clear();
        m_arrDisks.clear();
        int row = m_health.GetViews().empty() ? -1 : 0;
        for (const CQDriveHealthView& view : m_health.GetViews())
        {
            if (haveSelection && view.reading.disk == selectedDisk)
                row = static_cast<int>(m_arrCells.size());
            m_arrCells.push_back(DescribeDrive(view));
            m_arrDisks.push_back(view.reading.disk);
        }
        m_list.ShowRows(row);
        ShowSelected();
    }
    ShowStatus();
}

void CTavrelloDriveHealthDlg::ShowSelected()
{
    const int row = m_list.GetSelectedRow();
    const bool valid = row >= 0 && static_cast<size_t>(row) < m_arrCells.size();
    SetDlgItemText(IDC_HEALTH_SUMMARY, valid ? m_arrCells[static_cast<size_t>(row)].summary.c_str() : L"");
    const CQDriveHealthView* view = valid ? &m_health.GetViews()[static_cast<size_t>(row)] : nullptr;
    const bool canRate = view != nullptr && !SerialValueName(view->reading.serial).empty();
    SetDlgItemText(IDC_HEALTH_RATING,
                   canRate && view->ratedTbw != 0 ? std::to_wstring(view->ratedTbw).c_str() : L"");
    for (int id : {IDC_HEALTH_RATING, IDC_HEALTH_SET_RATING})
        ::EnableWindow(GetDlgItem(id), canRate);
}

void CTavrelloDriveHealthDlg::ShowStatus()
{
    std::wstring text;
    if (m_health.IsReading())
        text = L"Reading the drives...";
    else if (!m_health.GetViews().empty())
        text = L"Read at " + TimeOfDay(m_health.GetViews().front().reading.time);
    else
        text = m_health.IsStarted() ? L"No monitored drive" : L"Not reading the drives";
    // Rewritten only when it changed, so the line does not flicker twice a second.
    wchar_t current[64] = L"";
    ::GetDlgItemTextW(m_hWnd, IDC_HEALTH_STATUS, current, 64);
    if (text != current)
        SetDlgItemText(IDC_HEALTH_STATUS, text.c_str());
}

void CTavrelloDriveHealthDlg::SetRating()
{
    const int row = m_list.GetSelectedRow();
    if (row < 0)
        return;
    wchar_t text[16] = L"";
    ::GetDlgItemTextW(m_hWnd, IDC_HEALTH_RATING, text, 16);
    // An empty box removes the rating; the box takes digits only.
    const unsigned long long tbw = text[0] ? std::wcstoull(text, nullptr, 10) : 0;
    if (tbw > kMaxRatedTbw || !m_health.SetRatedTbw(static_cast<size_t>(row), static_cast<uint32_t>(tbw)))
    {
        ::MessageBeep(MB_ICONWARNING);
        return;
    }
    Follow();
}

void CTavrelloDriveHealthDlg::OnTimer(UINT_PTR id)
{
    if (id == kFollowTimerId)
        Follow();
}

BOOL CTavrelloDriveHealthDlg::OnCommand(UINT id, UINT code, HWND hwndControl)
{
    if (code == BN_CLICKED && id == IDC_HEALTH_SET_RATING)
    {
        SetRating();
        return TRUE;
    }
    if (code == BN_CLICKED && id == IDC_HEALTH_READ_NOW)
    {
        m_health.RequestReading(m_monitor);
        ShowStatus();
        return TRUE;
    }
    return CQResizeDialog::OnCommand(id, code, hwndControl);
}

BOOL CTavrelloDriveHealthDlg::OnNotify(NMHDR* pHeader, LRESULT& result)
{
    if (pHeader->idFrom == IDC_HEALTH_LIST && pHeader->code == LVN_ITEMCHANGED)
    {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(pHeader);
        if (change->uChanged & LVIF_STATE)
            ShowSelected();
        result = 0;
        return TRUE;
    }
    return CQResizeDialog::OnNotify(pHeader, result);
}

BOOL CTavrelloDriveHealthDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CTLCOLOREDIT && reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_HEALTH_RATING))
    {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(hdc, kControlTextColor);
        ::SetBkColor(hdc, kControlBackgroundColor);
        result = reinterpret_cast<LRESULT>(m_brushEdit.Get());
        return TRUE;
    }
    const BOOL handled = CQResizeDialog::WindowProc(message, wParam, lParam, result);
    if (message == WM_SIZE)
    {
        RepaintWhole({IDC_HEALTH_SUMMARY, IDC_HEALTH_STATUS});
    }
    return handled;
}

void CTavrelloDriveHealthDlg::RepositionControls()
{
    int dx = 0;
    int dy = 0;
    TakeSizeChange(dx, dy);
    // The list takes all extra room; the sentences and the row of controls stay below it.
    OffsetControl(IDC_HEALTH_LIST, 0, 0, dx, dy);
    OffsetControl(IDC_HEALTH_SUMMARY, 0, dy, dx, 0);
    for (int id : {IDC_HEALTH_RATING_LABEL, IDC_HEALTH_RATING, IDC_HEALTH_SET_RATING, IDC_HEALTH_READ_NOW})
        OffsetControl(id, 0, dy, 0, 0);
    OffsetControl(IDC_HEALTH_STATUS, 0, dy, dx, 0);
    OffsetControl(IDOK, dx, dy, 0, 0);
}
