// CTavrelloDlg: construction, start-up, clean-up, the Start/Stop toggle and the command routing.
#include "ui/main/TavrelloDlg.h"

#include <ctime>

#include "app/AppContext.h"
#include "engine/Counters.h"
#include "resources/resource.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/ShowRequest.h"
#include "ui/main/DataNotice.h"
#include "ui/main/MainTaskbar.h"
#include "ui/main/MeasuringNotice.h"

namespace
{
// The only timer of the program: the one-second refresh.
constexpr UINT_PTR kRefreshTimerId = 0;
constexpr UINT kRefreshPeriodMs = 1000;
// Room in the deferred batch of the start-up layout.
constexpr int kLayoutWindows = 50;
// The action bits of a tree view's expand notification (expand, collapse, toggle).
constexpr UINT kExpandActionMask = TVE_COLLAPSE | TVE_EXPAND;
} // namespace

CTavrelloDlg::CTavrelloDlg(HWND hParent) : CQResizeDialog(IDD_MAIN, hParent)
{
    // Minimising hides the window into the tray when the tray-only option is on.
    m_boolHideWhenMinimized = TRUE;
    m_comboCapacity.AttachBrush(::CreateSolidBrush(kControlBackgroundColor));
}

CTavrelloDlg::~CTavrelloDlg() = default;

void CTavrelloDlg::AttachControls()
{
    m_tree.Attach(m_hWnd, IDC_FILES_TREE);
    m_comboCapacity.Attach(m_hWnd, IDC_CAPACITY);
    m_buttonMenu.Attach(m_hWnd, IDC_MENU);
    m_buttonStart.Attach(m_hWnd, IDC_START);
    m_buttonCalculate.Attach(m_hWnd, IDC_CALCULATE);
    m_buttonOptions.Attach(m_hWnd, IDC_OPTIONS);
    m_buttonProcesses.Attach(m_hWnd, IDC_PROCESSES);
}

BOOL CTavrelloDlg::OnInitDialog()
{
    // Everything below works on the application context; without one there is nothing to show.
    if (!g_pAppContext)
    {
        CQResizeDialog::OnInitDialog();
        EndDialog(-1);
        return TRUE;
    }
    CQAppContext& context = *g_pAppContext;
    CQMonitor& monitor = context.m_monitor;

    // 1. Base initialisation: icons, tooltips, placement, minimum size, first layout.
    CQResizeDialog::OnInitDialog();
    AttachControls();
    WidenToFitLabels();

    // 2. Tree colours.
    m_tree.SetColors(kControlBackgroundColor, kControlTextColor, kControlBackgroundColor);

    // 3. Button icons.
    m_buttonStart.SetIcon(IDI_START);
    m_buttonCalculate.SetIcon(IDI_CALCULATE);
    m_buttonOptions.SetIcon(IDI_OPTIONS);
    m_buttonProcesses.SetIcon(IDI_PROCESSES);
    m_buttonMenu.SetIcon(IDI_MENU);

    // 4. Tray icon, added again whenever Explorer's taskbar is new.
    NotifyIcon(NIM_ADD, context.GetAppIcon(), kTrayTip);
    AcceptTaskbarCreated();
    ShowStartWarning();

    // 5. Capacity rows, row 0 selected.
    FillCapacityList();

    // 6. The tree becomes the view of the collected data before the saved data is loaded into it.
    context.m_pFilesTree = &m_tree;
    m_tree.SetColors(kControlBackgroundColor, kControlTextColor, kControlBackgroundColor);
    m_tree.SetImageList(context.m_imageList);

    // 7. Saved data, driver, port and worker threads; failures are logged and the window goes on.
    monitor.Start();
    // The day's history counts from the totals just loaded.
    context.m_writeHistory.Start(monitor, context.m_settingsRunTime.m_csDataFolder);
    // 8. and 9. The volumes, then the remembered drives attached (the call takes the drives lock).
    monitor.ListVolumes();
    monitor.AttachSelectedDrives();
    // The disks behind the attached drives are read on a thread of their own from now on.
    context.m_driveHealth.Start(monitor, context.m_settingsRunTime.m_csDataFolder);

    // 10. Default capacity and the life budget.
    ChooseDefaultCapacity();

    // 11. The one-second refresh.
    m_uintTimerId = ::SetTimer(m_hWnd, kRefreshTimerId, kRefreshPeriodMs, nullptr);

    // 12. Shown unless it starts in the tray (the modal loop never shows it by itself).
    if (!context.m_settingsInterface.m_boolStartMinimized)
        RestoreWindow();

    // 13. Monitoring is off after start-up; autostart turns it on.
    if (context.m_settingsInterface.m_boolAutostartSession)
        ToggleMonitoring();

    // 14.
    context.m_boolInitializing = 0;
    // A second instance's show request reaches this window from every modal loop from now on.
    SetShowRequestTarget(context.m_uintShowMessage, this);

    // 15. The column grid in one deferred batch.
    m_hDeferWindowPos = ::BeginDeferWindowPos(kLayoutWindows);
    LayoutColumns();
    if (m_hDeferWindowPos)
        ::EndDeferWindowPos(m_hDeferWindowPos);
    m_hDeferWindowPos = nullptr;

    // 16. and 17.
    EnableToolTips(TRUE);

    // A start without the driver file says so once, over the window that is now laid out; so do saved
    // data files that were set aside.
    TellIfDriverMissing(m_hWnd, monitor, context.m_settingsRunTime.m_csProgramFolder);
    TellAboutSavedDataFiles(m_hWnd, monitor);
    return TRUE;
}

void CTavrelloDlg::OnDestroy()
{
    if (!g_pAppContext)
        return;
    CQAppContext& context = *g_pAppContext;
    CQMonitor& monitor = context.m_monitor;
    SetShowRequestTarget(0, nullptr);

    // 1. The refresh timer. SetTimer reports a timer of id 0 as 1, so the id itself is killed.
    if (m_uintTimerId)
        ::KillTimer(m_hWnd, kRefreshTimerId);
    m_uintTimerId = 0;

    // An export still running is stopped; the file chosen for it stays as it was. A clear that waited for
    // it still happens, before the data is saved.
    m_export.Stop();
    if (m_boolClearAfterExport)
        ClearNow();

    // 2. The attached drives become the selection of the next run, and are detached.
    monitor.RecordAndDetachDrives();

    // 3. No part touches the tree view from now on: items still on their way to it are dropped.
    context.m_pFilesTree = nullptr;
    context.m_itemHandOver.Connect(nullptr, 0);

    // 4. Tray icon.
    NotifyIcon(NIM_DELETE, context.GetAppIcon(), kTrayTip);

    // 5. to 8. "Cleaning up...", threads stopped and waited for, driver removed, data saved.
    monitor.ShutDown();
    // The save asked the disks for a last reading; the drive history is written once it is in.
    context.m_driveHealth.Finish(monitor);
}

void CTavrelloDlg::ToggleMonitoring()
{
    CQMonitor& monitor = g_pAppContext->m_monitor;
    if (CounterLoad(monitor.m_boolRunning))
    {
        CounterStore(monitor.m_boolRunning, LONG(0));
        ::SetWindowTextW(m_buttonStart.GetHwnd(), L"Start");
        m_buttonStart.SetIcon(IDI_START);
    }
    else
    {
        // The time stamp first: the pause before this start must not count as monitoring time.
        CounterStore(monitor.m_stats.m_int64LastTimeStamp, static_cast<int64_t>(time(nullptr)));
        m_monitoringClock.Restart();
        CounterStore(monitor.m_boolRunning, LONG(1));
        ::SetWindowTextW(m_buttonStart.GetHwnd(), L"Stop");
        m_buttonStart.SetIcon(IDI_STOP);
    }
}

void CTavrelloDlg::SaveOnSessionEnd()
{
    // The save takes what it needs of the data lock itself; the disk is written after the writers go on.
    g_pAppContext->m_monitor.SaveData();
}

void CTavrelloDlg::OnSessionEnded()
{
    // An event-tracing session belongs to the system and outlives a logged-off user's program; the
    // process may be ended before the window is destroyed, so the session goes now.
    g_pAppContext->m_monitor.HaltSystemEvents();
}

BOOL CTavrelloDlg::PreTranslateMessage(MSG* pMsg)
{
    const UINT showMessage = g_pAppContext ? g_pAppContext->m_uintShowMessage : 0;
    if (showMessage != 0 && pMsg->message == showMessage)
    {
        RestoreWindow();
        return TRUE;
    }
    return CQResizeDialog::PreTranslateMessage(pMsg);
}

BOOL CTavrelloDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_QUERYENDSESSION)
    {
        SaveOnSessionEnd();
        // Not handled: the default answer lets the session end.
        return FALSE;
    }
    if (message == WM_ENDSESSION && wParam && g_pAppContext)
    {
        OnSessionEnded();
        return FALSE;
    }
    const UINT taskbarCreated = TaskbarCreatedMessage();
    if (taskbarCreated != 0 && message == taskbarCreated)
    {
        OnTaskbarCreated();
        result = 0;
        return TRUE;
    }
    if (message == WM_POWERBROADCAST && g_pAppContext)
    {
        OnPowerBroadcast(wParam);
        result = TRUE;
        return TRUE;
    }
    return CQResizeDialog::WindowProc(message, wParam, lParam, result);
}

BOOL CTavrelloDlg::OnCommand(UINT id, UINT code, HWND hwndControl)
{
    if (hwndControl && code == BN_CLICKED)
    {
        switch (id)
        {
        case IDC_START:
            ToggleMonitoring();
            return TRUE;
        case IDC_CALCULATE:
            OpenMeasurePageFromFigure();
            return TRUE;
        case IDC_OPTIONS:
            ShowOptionsDialog();
            return TRUE;
        case IDC_PROCESSES:
            ShowProcessesDialog(nullptr, TRUE);
            return TRUE;
        case IDC_MENU:
            ShowMainMenu();
            return TRUE;
        default:
            break;
        }
    }
    if (id == IDC_CAPACITY && code == CBN_SELCHANGE)
    {
        OnCapacityChanged();
        return TRUE;
    }
    // Menu commands (code 0 without a control) act as when chosen from their menu.
    if (!hwndControl && code == 0 && RunMenuCommand(id))
        return TRUE;
    return CQResizeDialog::OnCommand(id, code, hwndControl);
}

BOOL CTavrelloDlg::OnNotify(NMHDR* pHeader, LRESULT& result)
{
    if (pHeader->idFrom != IDC_FILES_TREE || pHeader->hwndFrom != m_tree.GetHwnd())
        return CQResizeDialog::OnNotify(pHeader, result);
    result = 0;
    switch (pHeader->code)
    {
    case TVN_ITEMEXPANDEDW:
    {
        const NMTREEVIEWW* pInfo = reinterpret_cast<const NMTREEVIEWW*>(pHeader);
        // Collapsing does nothing.
        if ((pInfo->action & kExpandActionMask) == TVE_EXPAND)
            m_tree.OnItemExpanded(pInfo);
        return TRUE;
    }
    case NM_DBLCLK:
        m_tree.OnDoubleClick(m_hWnd);
        return TRUE;
    case NM_RCLICK:
        m_tree.OnItemMenu(m_hWnd);
        return TRUE;
    default:
        return CQResizeDialog::OnNotify(pHeader, result);
    }
}

void CTavrelloDlg::OnTimer(UINT_PTR)
{
    if (g_pAppContext)
        RefreshStatistics();
}

void CTavrelloDlg::OnOK() {}

void CTavrelloDlg::OnCancel()
{
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    SetLastLayoutRect(window);
    EndDialog(IDCANCEL);
}
