// CTavrelloDlg: the tray menu, the main menu, clearing the collected data, the web links and the
// secondary dialogs.
#include "ui/main/TavrelloDlg.h"

#include "app/AppContext.h"
#include "app/MessageBoxHook.h"
#include "resources/resource.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/DriveSelectorDlg.h"
#include "ui/dialogs/LogViewerDlg.h"
#include "ui/dialogs/OptionsDlg.h"
#include "ui/dialogs/ProcessesDlg.h"
#include "ui/dialogs/history/WriteHistoryDlg.h"
#include "ui/main/WebLinks.h"

namespace
{
constexpr wchar_t kClearQuestion[] = L"Are you sure that you want to clear all collected data?";
constexpr wchar_t kMessageCaption[] = L"Tavrello";
constexpr wchar_t kCancelExportText[] = L"Cancel Export";

// A menu resource, destroyed with the holder.
class CQMenuResource
{
public:
    explicit CQMenuResource(UINT id) : m_hMenu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)))
    {
    }
    ~CQMenuResource()
    {
        if (m_hMenu)
            ::DestroyMenu(m_hMenu);
    }
    CQMenuResource(const CQMenuResource&) = delete;
    CQMenuResource& operator=(const CQMenuResource&) = delete;

    // The popup: the menu's first submenu, or null.
    HMENU Popup() const { return m_hMenu ? ::GetSubMenu(m_hMenu, 0) : nullptr; }

private:
    HMENU m_hMenu;
};
} // namespace

UINT CTavrelloDlg::TrackMenuResource(UINT menuId, UINT flags, int x, int y)
{
    CQMenuResource menu(menuId);
    HMENU hPopup = menu.Popup();
    if (!hPopup)
        return 0;
    ::SetForegroundWindow(m_hWnd);
    // The chosen command comes back instead of being posted; the dialog owns the menu, so the
    // command-update walk runs over it.
    return TrackPopupMenu(hPopup, flags | TPM_RETURNCMD, x, y);
}

void CTavrelloDlg::OnTrayRButtonDown()
{
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    const UINT command =
        TrackMenuResource(IDR_TRAY_MENU, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y);
    if (command)
        RunMenuCommand(command);
}

void CTavrelloDlg::ShowMainMenu()
{
    RECT button = {};
    ::GetWindowRect(m_buttonMenu.GetHwnd(), &button);
    // The popup opens below the Menu button, left edges aligned.
    const UINT command =
        TrackMenuResource(IDR_MAIN_MENU, TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom);
    if (command)
        RunMenuCommand(command);
}

BOOL CTavrelloDlg::RunMenuCommand(UINT id)
{
    switch (id)
    {
    // Tray menu.
    case ID_TRAY_SHOW_WINDOW:
        RestoreWindow();
        return TRUE;
    case ID_TRAY_ABOUT:
        CTavrelloAboutDlg(m_hWnd).DoModal();
        return TRUE;
    case ID_TRAY_CLOSE:
        OnCancel();
        return TRUE;

    // Main menu.
    case ID_MENU_SELECT_DRIVES:
        CQDriveSelectorDlg(m_hWnd).DoModal();
        return TRUE;
    case ID_MENU_SHOW_LOG:
        CQLogViewerDlg(m_hWnd).DoModal();
        return TRUE;
    case ID_MENU_WRITE_HISTORY:
        ShowWriteHistoryDialog();
        return TRUE;
    case ID_MENU_DRIVE_HEALTH:
        ShowDriveHealthDialog();
        return TRUE;
    case ID_MENU_CLEAR_DATA:
        ClearCollectedData();
        return TRUE;
    case ID_MENU_EXPORT_DATA:
        if (m_export.IsRunning())
            m_export.Cancel();
        else
            m_export.Begin(m_hWnd, g_pAppContext->m_monitor);
        return TRUE;
    case ID_MENU_HELP:
        OpenHelpPage(m_hWnd);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CTavrelloDlg::OnUpdateCommand(UINT id, CQCmdUI& ui)
{
    if (id != ID_MENU_EXPORT_DATA)
        return CQResizeDialog::OnUpdateCommand(id, ui);
    // One export at a time: while it runs, the entry cancels it.
    if (m_export.IsRunning())
        ui.SetText(kCancelExportText);
    return TRUE;
}

void CTavrelloDlg::ClearCollectedData()
{
    if (ShowMessageBox(m_hWnd, kClearQuestion, kMessageCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    // A running export walks the items that are about to go: the refresh clears once it has ended, and the
    // window goes on meanwhile.
    if (m_export.IsRunning())
    {
        m_boolClearAfterExport = true;
        return;
    }
    ClearNow();
}

void CTavrelloDlg::ClearNow()
{
    m_boolClearAfterExport = false;
    // Monitoring stays on or off as it was; the next refresh shows the zeroed figures. Today's history
    // keeps what it had before the clear.
    CQMonitor& monitor = g_pAppContext->m_monitor;
    g_pAppContext->m_writeHistory.BeforeClear(monitor);
    monitor.Clear(1);
    // The monitoring time starts again from zero, now.
    m_monitoringClock.Restart();
    g_pAppContext->m_writeHistory.AfterClear(monitor);
    m_heavyWriteAlert.Reset();
}

void CTavrelloDlg::OpenMeasurePageFromFigure()
{
    // The aligned writes per day as the panel shows them, such as "12.34 Gb".
    wchar_t text[128] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_ALIGNED_WRITES_PER_DAY, text,
                      static_cast<int>(sizeof(text) / sizeof(text[0])));
    OpenMeasurePage(m_hWnd, text);
}

void CTavrelloDlg::ShowProcessesDialog(CQTreeItem* item, BOOL withSubitems)
{
    CTavrelloProcessesDlg(item, withSubitems, m_hWnd).DoModal();
}

void CTavrelloDlg::ShowWriteHistoryDialog()
{
    // The life sentence uses the capacity chosen here.
    const LRESULT row = ::SendMessageW(m_comboCapacity.GetHwnd(), CB_GETCURSEL, 0, 0);
    CTavrelloWriteHistoryDlg(g_pAppContext->m_writeHistory, row >= 0 ? static_cast<int>(row) : 0, m_hWnd,
                             &g_pAppContext->m_driveHealth.GetHistory())
        .DoModal();
}

void CTavrelloDlg::ShowOptionsDialog()
{
    CTavrelloOptionsDlg(m_hWnd).DoModal();
}
