// CQDialog: the base of every window of the program. Each window is a dialog built from a template and
// run modally by DoModal, with the program's dark colours, the application icon, centred placement, the
// tray icon, minimise-to-tray and restore, and the command-update walk of popup menus.
//
// A derived dialog passes its template to the constructor, overrides the virtual handlers it needs
// (OnInitDialog first calling the base, OnCommand, OnNotify, OnTimer, OnDestroy, OnOK, OnCancel, or the
// generic WindowProc for anything else) and binds its control wrappers (CQControl) in OnInitDialog.
// Owner-draw, colour and notification messages of a control are offered to the control first (Reflect.h).
//
//   class CTavrelloAboutDlg : public CQDialog
//   {
//   public:
//       explicit CTavrelloAboutDlg(HWND hParent) : CQDialog(L"About Tavrello", hParent) {}
//   protected:
//       BOOL OnInitDialog() override
//       {
//           CQDialog::OnInitDialog();
//           m_buttonOk.Attach(m_hWnd, IDOK);
//           m_linkSite.Attach(m_hWnd, 1044);
//           return TRUE;
//       }
//   private:
//       CButtonST m_buttonOk;
//       CHyperLink m_linkSite;
//   };
//
//   CTavrelloAboutDlg(hMainWnd).DoModal();
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "ui/controls/CmdUI.h"
#include "ui/controls/GdiObject.h"

// Callback message of the tray icon; its mouse message is in the second parameter.
constexpr UINT QM_TRAYNOTIFY = WM_USER + 100;
constexpr UINT kTrayIconId = 0xCE0A6A15;

class CQDialog
{
public:
    // The template by resource id, by resource name (L"Log Viewer") or MAKEINTRESOURCEW(id), or in memory
    // (the memory must outlive DoModal). `hParent` is the parent or owner window, or null.
    CQDialog(UINT templateId, HWND hParent);
    CQDialog(LPCWSTR templateName, HWND hParent);
    CQDialog(const DLGTEMPLATE* pTemplate, HWND hParent);
    virtual ~CQDialog();

    CQDialog(const CQDialog&) = delete;
    CQDialog& operator=(const CQDialog&) = delete;

    // Creates the dialog and runs its own message loop until EndDialog or WM_QUIT (which is posted
    // again). The window is never shown by the loop: a template without WS_VISIBLE stays hidden until
    // the dialog shows itself. Returns the value given to EndDialog; -1 without a template, when the
    // window could not be created, when it went away without EndDialog, on WM_QUIT, or when a handler
    // threw.
    INT_PTR DoModal();
    // Ends the modal loop with `result` as DoModal's value.
    void EndDialog(INT_PTR result);

    HWND GetHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const;
    BOOL SetDlgItemText(int id, const wchar_t* text) const;
    // The tooltip control created by EnableToolTips, or null.
    HWND GetToolTip() const { return m_hToolTip; }
    HBRUSH GetBackgroundBrush() const { return m_brushBackground.Get(); }

    // The help request (F1) of every dialog comes here; nothing is done, no help file opened.
    virtual void OnHelpRequest();
    // Minimises the window; hides it as well when the tray-only setting is on and the dialog hides
    // when minimised.
    virtual void MinimizeWindow();
    // Shows the window and brings it to the front (restoring it when MinimizeWindow minimised it).
    virtual void RestoreWindow();
    // Adds (NIM_ADD), changes (NIM_MODIFY) or deletes (NIM_DELETE) the tray icon of this window; a tip
    // longer than 63 characters is cut. No system call for a delete without an icon shown or a second
    // add; FALSE then, else the system's result.
    virtual BOOL NotifyIcon(DWORD message, HICON icon, const wchar_t* tip);
    // Shows a balloon over the tray icon (NIIF_INFO, NIIF_WARNING or NIIF_ERROR in `iconFlags`); the
    // title is cut to 63 characters, the text to 255. FALSE without a tray icon shown, else the system's
    // result. A click on the balloon comes back as OnTrayBalloonClick.
    BOOL ShowBalloon(const wchar_t* title, const wchar_t* text, DWORD iconFlags);
    virtual void OnTrayBalloonClick();
    virtual void OnTrayRButtonDown();
    // Minimises a shown window, restores a minimised or hidden one.
    virtual void OnTrayLButtonDblClk();
    virtual void OnTrayLButtonDown();
    virtual int GetMinTrackWidth();

    // Every message of the modal loop passes here first; return true to consume it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    BOOL IsMinimizedToTray() const { return m_boolMinimized; }
    BOOL IsTrayIconShown() const { return m_boolTrayIconShown; }

    // Shell_NotifyIconW, replaceable so that tests can watch the calls.
    static BOOL(WINAPI* s_pfnShellNotifyIcon)(DWORD message, PNOTIFYICONDATAW data);

protected:
    // Generic handler: return true when `message` was handled, with its value in `result`. Overrides
    // call the base for what they do not handle; the base implements all the handling below.
    virtual BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Sets the icons, enables tooltips, centres the dialog on its owner (or parent) and keeps it on the
    // desktop. Returns TRUE (focus to the default control).
    virtual BOOL OnInitDialog();
    // WM_COMMAND not taken by the control itself; true when handled. IDOK and IDCANCEL go to OnOK and
    // OnCancel.
    virtual BOOL OnCommand(UINT id, UINT code, HWND hwndControl);
    // WM_NOTIFY not taken by the control itself; true when handled, with the notification's result.
    virtual BOOL OnNotify(NMHDR* pHeader, LRESULT& result);
    virtual void OnTimer(UINT_PTR id);
    // WM_DESTROY; the default destruction runs after it.
    virtual void OnDestroy();
    virtual void OnOK();
    // Also reached by the close box (WM_CLOSE, SC_CLOSE) and Escape.
    virtual void OnCancel();

    // Tooltip text of the control `controlId`, or null for none. The text is copied at once.
    virtual const wchar_t* GetToolTipText(UINT controlId);
    // The id of the child control under `ptClient` (dialog client coordinates), or 0 for none.
    virtual UINT ToolHitTest(POINT ptClient) const;
    // Creates the dialog's tooltip control (once); its tools follow the child under the mouse.
    void EnableToolTips(BOOL enable = TRUE);

    // Command-update handler of popup-menu items: update `ui` for `id` and return true, or return false
    // when this dialog has no handler for `id`.
    virtual BOOL OnUpdateCommand(UINT id, CQCmdUI& ui);
    // Runs the command-update walk over `hPopup` (done on WM_INITMENUPOPUP).
    void UpdateMenuCommands(HMENU hPopup);
    // TrackPopupMenu owned by the dialog; the walk treats the tracked popup as its own parent menu.
    UINT TrackPopupMenu(HMENU hPopup, UINT flags, int x, int y);

    // Measure request of an owner-drawn control that is not bound to its wrapper yet (the system asks
    // while it creates the control, before WM_INITDIALOG). The default answers as the program's
    // wrappers would: combo boxes as CColoredCombo, list boxes as CColorListBox.
    virtual BOOL OnMeasureUnboundItem(HWND hwndControl, MEASUREITEMSTRUCT* pMeasure);

    void CenterWindow();

    HWND m_hWnd = nullptr;

    // Fields of the look, the tray icon and resizing, all starting at zero.
    CQBrush m_brushBackground;
    BOOL m_boolMinimized = FALSE;
    BOOL m_boolTrayIconShown = FALSE;
    BOOL m_boolResizingEnabled = FALSE;
    RECT m_rectLastLayout = {};
    int m_intMinTrackWidth = 0;
    int m_intMinTrackHeight = 0;
    BOOL m_boolHideWhenMinimized = FALSE;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    const DLGTEMPLATE* LockTemplate() const;
    void RunModalLoop(BOOL sendIdle, HWND hOwner);
    void FilterToolTipMessage(const MSG& msg);
    BOOL OnControlColor(UINT message, HDC hdc, HWND hwndControl, LRESULT& result);
    BOOL OnToolTipText(NMHDR* pHeader);

    LPCWSTR m_pszTemplateName = nullptr; // resource name or MAKEINTRESOURCE id, or null
    std::wstring m_csTemplateName;       // storage when the name is a string
    const DLGTEMPLATE* m_pTemplate = nullptr;
    HWND m_hWndParent = nullptr;

    INT_PTR m_intResult = -1;
    BOOL m_boolEndModal = FALSE;
    BOOL m_boolInModalLoop = FALSE;
    BOOL m_boolFailed = FALSE; // a handler threw

    HWND m_hToolTip = nullptr; // owned by the dialog window, destroyed with it
    UINT m_uintToolId = 0;     // control id of the current tool, 0 for none
    std::wstring m_csToolTipText;

    HMENU m_hTrackingMenu = nullptr;
};
