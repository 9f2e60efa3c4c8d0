// CTavrelloDlg: the program's main window. It starts the monitor and attaches the remembered drives,
// refreshes the statistics once a second, switches monitoring on and off, hosts the files tree, the tray
// icon and the menus, and on closing stops everything in a fixed order.
//
// The handlers live in several files by concern: TavrelloDlg.cpp (start-up, clean-up, commands),
// MainRefresh.cpp (the one-second refresh and the autosave), MainPower.cpp (sleep and resume),
// MainCapacity.cpp (the SSD capacity box), MainMenus.cpp (tray and main menu, web links, secondary
// dialogs), MainLayout.cpp (resizing, column grid, tooltips), MainHeavyWrite.cpp (the heavy-writing
// balloon), MainTaskbar.cpp (the tray icon after Explorer restarts, the start-up warning's balloon) and
// MainDriveHealth.cpp (the drives' own figures: their warnings and their window).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "data/PtrArray.h"
#include "engine/StatisticsBlock.h"
#include "stats/Figures.h"
#include "stats/alerts/HeavyWriteAlert.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/ColoredCombo.h"
#include "ui/controls/ComboDriveItem.h"
#include "ui/controls/ResizeDialog.h"
#include "ui/main/AutosaveSchedule.h"
#include "ui/main/ExportCommand.h"
#include "ui/main/TreeCtrl.h"

class CQTreeItem;

class CTavrelloDlg : public CQResizeDialog
{
public:
    explicit CTavrelloDlg(HWND hParent = nullptr);
    ~CTavrelloDlg() override;

    // The registered show message of a second instance restores the window; it is consumed here.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Tray icon right click: the tray menu.
    void OnTrayRButtonDown() override;
    // The heavy-writing balloon clicked: the window in front with the writers of the alert's minute or
    // hour (the processes of all data before any alert).
    void OnTrayBalloonClick() override;
    // A warning for the balloon of the tray icon once it is added (the program folder's, from the
    // application object); empty for none.
    void SetStartWarning(const std::wstring& text) { m_csStartWarning = text; }

    static constexpr wchar_t kTrayTip[] = L"Tavrello";

protected:
    BOOL OnInitDialog() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override;
    BOOL OnNotify(NMHDR* pHeader, LRESULT& result) override;
    // "Export Collected Data..." reads "Cancel Export" while an export runs.
    BOOL OnUpdateCommand(UINT id, CQCmdUI& ui) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    // Enter does not close the main window.
    void OnOK() override;
    // Escape, the close box and the tray menu's Close: the window rectangle is kept for the layout, then
    // the dialog ends (the clean-up runs when the window is destroyed).
    void OnCancel() override;

    const wchar_t* GetToolTipText(UINT controlId) override;
    void RepositionControls() override;

private:
    // Start-up and commands (TavrelloDlg.cpp).
    void AttachControls();
    void ToggleMonitoring();
    void SaveOnSessionEnd();
    // The Windows session ends: the system's file events, if they measure, stop at once.
    void OnSessionEnded();

    // The one-second refresh (MainRefresh.cpp).
    void RefreshStatistics();
    void SetTextIfChanged(int id, const std::wstring& text);
    // The heavy-writing alert's step, with its balloon (MainHeavyWrite.cpp).
    void CheckHeavyWriting();
    // The drives' readings taken in, with a balloon for each warning (MainDriveHealth.cpp).
    void CheckDriveHealth();
    void ShowDriveHealthDialog();
    // The monitor's counters; while `counting`, with the monitoring time advanced to now and stored.
    CQStatisticsBlock AdvanceMonitoringTimeNow(bool counting);

    // The tray icon and the taskbar (MainTaskbar.cpp): Explorer's "TaskbarCreated" let through to this
    // elevated window, the icon added again when it comes, the start-up warning shown.
    void AcceptTaskbarCreated();
    void OnTaskbarCreated();
    void ShowStartWarning();

    // Sleep and resume (MainPower.cpp).
    void OnPowerBroadcast(WPARAM event);

    // SSD capacity box (MainCapacity.cpp).
    void FillCapacityList();
    void ChooseDefaultCapacity();
    void OnCapacityChanged();

    // Menus, links and secondary dialogs (MainMenus.cpp).
    UINT TrackMenuResource(UINT menuId, UINT flags, int x, int y);
    void ShowMainMenu();
    // Acts on a command of the tray or main menu; false for any other id.
    BOOL RunMenuCommand(UINT id);
    // Asks, then clears the collected data, or has the refresh clear it once a running export has ended.
    void ClearCollectedData();
    void ClearNow();
    void OpenMeasurePageFromFigure();
    void ShowProcessesDialog(CQTreeItem* item, BOOL withSubitems);
    void ShowOptionsDialog();
    void ShowWriteHistoryDialog();

    // Column grid of the button row and the statistics rows (MainLayout.cpp).
    void LayoutColumns();
    // Widens the window, once resizing is on, until every statistics label fits its cell with its own
    // font; the minimum width grows with it.
    void WidenToFitLabels();

    CQTreeCtrl m_tree;
    CColoredCombo m_comboCapacity;
    CButtonST m_buttonMenu;
    CButtonST m_buttonStart;
    CButtonST m_buttonCalculate;
    CButtonST m_buttonOptions;
    CButtonST m_buttonProcesses;
    CQPtrAutoArray<CComboDriveItem> m_arrCapacityEntries;
    UINT_PTR m_uintTimerId = 0;        // what SetTimer returned; 0 while no timer runs
    int32_t m_intRepaintCountdown = 0; // paces the tree repaint while monitoring
    uint64_t m_qwordLifeBudget = 0;    // selected capacity in bytes x 600
    CQHeavyWriteAlert m_heavyWriteAlert;
    std::wstring m_csAlertTime; // local time of the latest alert, "14:02:10"
    CQExportCommand m_export;
    bool m_boolClearAfterExport = false; // a clear was confirmed while an export ran
    CQAutosaveSchedule m_autosave;       // counts the refresh ticks to the next autosave
    CQMonitoringClock m_monitoringClock; // the awake time that the monitoring time adds
    bool m_boolSuspended = false;        // the machine sleeps: no monitoring time until the resume
    std::wstring m_csSourceToolTip;      // the status lines' tooltip, kept until the next request
    std::wstring m_csStartWarning;
    bool m_boolHealthBalloon = false; // the last balloon was a drive's warning: its click opens Drive Health
};
