#include "ui/controls/Dialog.h"

#include "ui/controls/ColorListBox.h"
#include "ui/controls/ColoredCombo.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/DialogEnvironment.h"
#include "ui/controls/Reflect.h"
#include "ui/controls/ShowRequest.h"

#include <commctrl.h>

namespace
{
// The dialog being created on this thread: its procedure sees messages (WM_SETFONT, WM_MEASUREITEM)
// before WM_INITDIALOG brings the creation parameter.
thread_local CQDialog* t_pCreatingDialog = nullptr;

// Messages whose value the dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message)
    {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

DWORD TemplateStyle(const DLGTEMPLATE* pTemplate)
{
    // An extended template starts with version 1 and the signature 0xFFFF; its style is at offset 12.
    const WORD* words = reinterpret_cast<const WORD*>(pTemplate);
    if (words[0] == 1 && words[1] == 0xFFFF)
        return *reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(pTemplate) + 12);
    return pTemplate->style;
}

// The top-level window that owns a dialog created with `hParent`.
HWND FindOwner(HWND hParent)
{
    HWND hOwner = hParent;
    while (hOwner && (::GetWindowLongW(hOwner, GWL_STYLE) & WS_CHILD))
        hOwner = ::GetParent(hOwner);
    return hOwner;
}

// The window a control-colour message is about: the drop-down list of a combo box answers for its combo.
HWND ColorTarget(HWND hDlg, HWND hwndControl)
{
    if (!hwndControl || ::GetParent(hwndControl) == hDlg)
        return hwndControl;
    for (HWND child = ::GetWindow(hDlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        if (::GetComboBoxInfo(child, &info) && info.hwndList == hwndControl)
            return child;
    }
    return hwndControl;
}
} // namespace

BOOL(WINAPI* CQDialog::s_pfnShellNotifyIcon)(DWORD, PNOTIFYICONDATAW) = ::Shell_NotifyIconW;

CQDialog::CQDialog(UINT templateId, HWND hParent) : CQDialog(MAKEINTRESOURCEW(templateId), hParent) {}

CQDialog::CQDialog(LPCWSTR templateName, HWND hParent)
    : m_brushBackground(::CreateSolidBrush(kDialogBackgroundColor)), m_hWndParent(hParent)
{
    if (IS_INTRESOURCE(templateName))
        m_pszTemplateName = templateName;
    else if (templateName)
    {
        m_csTemplateName = templateName;
        m_pszTemplateName = m_csTemplateName.c_str();
    }
}

CQDialog::CQDialog(const DLGTEMPLATE* pTemplate, HWND hParent)
    : m_brushBackground(::CreateSolidBrush(kDialogBackgroundColor)), m_pTemplate(pTemplate),
      m_hWndParent(hParent)
{
}

CQDialog::~CQDialog()
{
    // A window still alive (DoModal left early through an exception) must not call a dead object.
    if (m_hWnd && ::IsWindow(m_hWnd))
    {
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

HWND CQDialog::GetDlgItem(int id) const
{
    return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr;
}

BOOL CQDialog::SetDlgItemText(int id, const wchar_t* text) const
{
    return m_hWnd ? ::SetDlgItemTextW(m_hWnd, id, text) : FALSE;
}

const DLGTEMPLATE* CQDialog::LockTemplate() const
{
    if (m_pszTemplateName)
    {
        HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
        HRSRC hResource = ::FindResourceW(hInstance, m_pszTemplateName, RT_DIALOG);
        HGLOBAL hGlobal = hResource ? ::LoadResource(hInstance, hResource) : nullptr;
        return hGlobal ? static_cast<const DLGTEMPLATE*>(::LockResource(hGlobal)) : nullptr;
    }
    return m_pTemplate;
}

INT_PTR CQDialog::DoModal()
{
    const DLGTEMPLATE* pTemplate = LockTemplate();
    if (!pTemplate)
        return -1;

    m_intResult = -1;
    m_boolEndModal = FALSE;
    m_boolFailed = FALSE;

    HWND hOwner = FindOwner(m_hWndParent);
    BOOL ownerDisabled = FALSE;
    if (hOwner && ::IsWindowEnabled(hOwner))
    {
        ::EnableWindow(hOwner, FALSE);
        ownerDisabled = TRUE;
    }

    try
    {
        t_pCreatingDialog = this;
        HWND hwnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), pTemplate, hOwner, DialogProc,
                                                 reinterpret_cast<LPARAM>(this));
        t_pCreatingDialog = nullptr;
        if (hwnd && m_hWnd && !m_boolEndModal && !m_boolFailed)
            RunModalLoop(!(TemplateStyle(pTemplate) & DS_NOIDLEMSG), hOwner);
        if (m_hWnd)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    catch (...)
    {
        t_pCreatingDialog = nullptr;
        m_boolFailed = TRUE;
    }
    m_boolInModalLoop = FALSE;

    if (ownerDisabled)
        ::EnableWindow(hOwner, TRUE);
    if (hOwner && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hOwner);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    if (m_boolFailed || !m_boolEndModal)
        m_intResult = -1;
    return m_intResult;
}

void CQDialog::RunModalLoop(BOOL sendIdle, HWND hOwner)
{
    m_boolInModalLoop = TRUE;
    BOOL idle = TRUE;
    MSG msg = {};
    while (!m_boolEndModal && m_hWnd)
    {
        if (sendIdle && idle && hOwner && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            // Tell the owner once per idle period, as the system's dialog loop does.
            ::SendMessageW(hOwner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(m_hWnd));
            idle = FALSE;
            continue;
        }
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (!got)
        {
            // WM_QUIT belongs to the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message != WM_TIMER || msg.hwnd)
            idle = TRUE;
        FilterToolTipMessage(msg);
        // A second instance's request to show the main window reaches it from every modal loop.
        if (HandleShowRequest(msg))
            continue;
        if (PreTranslateMessage(&msg))
            continue;
        if (m_hWnd && ::IsDialogMessageW(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_boolInModalLoop = FALSE;
}

void CQDialog::EndDialog(INT_PTR result)
{
    m_intResult = result;
    m_boolEndModal = TRUE;
    // Wake the loop in case the call came from outside a dispatched message.
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CQDialog::PreTranslateMessage(MSG*)
{
    return FALSE;
}

INT_PTR CALLBACK CQDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CQDialog* self = reinterpret_cast<CQDialog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
    {
        self = message == WM_INITDIALOG ? reinterpret_cast<CQDialog*>(lParam) : t_pCreatingDialog;
        if (!self || (self->m_hWnd && self->m_hWnd != hwnd))
            return FALSE;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
        t_pCreatingDialog = nullptr;
    }
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR CQDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = m_hWnd;
    LRESULT result = 0;
    BOOL handled = FALSE;
    // No exception may cross the system's dialog manager; one that comes ends the modal run with -1.
    try
    {
        handled = WindowProc(message, wParam, lParam, result);
    }
    catch (...)
    {
        m_boolFailed = TRUE;
        m_boolEndModal = TRUE;
        handled = FALSE;
    }
    if (message == WM_NCDESTROY)
    {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
        m_hToolTip = nullptr;
        m_uintToolId = 0;
    }
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

BOOL CQDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return TRUE;

    case WM_COMMAND:
        if (lParam && ReflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
            return TRUE;
        result = 0;
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));

    case WM_NOTIFY:
    {
        NMHDR* pHeader = reinterpret_cast<NMHDR*>(lParam);
        if (!pHeader)
            return FALSE;
        if (pHeader->hwndFrom == m_hToolTip && m_hToolTip)
            return OnToolTipText(pHeader);
        if (ReflectToControl(pHeader->hwndFrom, message, wParam, lParam, result))
            return TRUE;
        result = 0;
        return OnNotify(pHeader, result);
    }

    case WM_DRAWITEM:
    {
        const DRAWITEMSTRUCT* pDraw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!pDraw || pDraw->CtlType == ODT_MENU)
            return FALSE;
        return ReflectToControl(pDraw->hwndItem, message, wParam, lParam, result);
    }

    case WM_MEASUREITEM:
    {
        MEASUREITEMSTRUCT* pMeasure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!pMeasure || pMeasure->CtlType == ODT_MENU)
            return FALSE;
        HWND hwndControl = GetDlgItem(static_cast<int>(pMeasure->CtlID));
        if (ReflectToControl(hwndControl, message, wParam, lParam, result))
            return TRUE;
        result = TRUE;
        return OnMeasureUnboundItem(hwndControl, pMeasure);
    }

    case WM_DELETEITEM:
    {
        const DELETEITEMSTRUCT* pDelete = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam);
        return pDelete && ReflectToControl(pDelete->hwndItem, message, wParam, lParam, result);
    }

    case WM_COMPAREITEM:
    {
        const COMPAREITEMSTRUCT* pCompare = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam);
        return pCompare && ReflectToControl(pCompare->hwndItem, message, wParam, lParam, result);
    }

    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return ReflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result);

    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return OnControlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result);

    case WM_ERASEBKGND:
    {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        RECT clip = {};
        ::GetClipBox(hdc, &clip);
        ::FillRect(hdc, &clip, m_brushBackground.Get());
        result = 1;
        return TRUE;
    }

    case WM_TIMER:
        OnTimer(wParam);
        result = 0;
        return TRUE;

    case WM_DESTROY:
        OnDestroy();
        return FALSE;

    case WM_CLOSE:
        OnCancel();
        result = 0;
        return TRUE;

    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE)
        {
            // The system minimises first; MinimizeWindow then hides into the tray when it should.
            ::DefWindowProcW(m_hWnd, message, wParam, lParam);
            MinimizeWindow();
            result = 0;
            return TRUE;
        }
        return FALSE;

    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(GetApplicationIcon());
        return TRUE;

    case WM_HELP:
        OnHelpRequest();
        result = TRUE;
        return TRUE;

    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            return FALSE; // the system menu has no command handlers of ours
        UpdateMenuCommands(reinterpret_cast<HMENU>(wParam));
        result = 0;
        return TRUE;

    case WM_GETMINMAXINFO:
        if (!m_boolResizingEnabled)
            return FALSE;
        {
            MINMAXINFO* pInfo = reinterpret_cast<MINMAXINFO*>(lParam);
            pInfo->ptMinTrackSize.x = GetMinTrackWidth();
            pInfo->ptMinTrackSize.y = m_intMinTrackHeight;
        }
        result = 0;
        return TRUE;

    case QM_TRAYNOTIFY:
        switch (static_cast<UINT>(lParam))
        {
        case WM_LBUTTONDOWN:
            OnTrayLButtonDown();
            break;
        case WM_LBUTTONDBLCLK:
            OnTrayLButtonDblClk();
            break;
        case WM_RBUTTONDOWN:
            OnTrayRButtonDown();
            break;
        case NIN_BALLOONUSERCLICK:
            OnTrayBalloonClick();
            break;
        default:
            break;
        }
        result = 0;
        return TRUE;

    default:
        return FALSE;
    }
}

BOOL CQDialog::OnControlColor(UINT message, HDC hdc, HWND hwndControl, LRESULT& result)
{
    if (message == WM_CTLCOLORDLG)
    {
        result = reinterpret_cast<LRESULT>(m_brushBackground.Get());
        return TRUE;
    }
    if (ReflectToControl(ColorTarget(m_hWnd, hwndControl), message, reinterpret_cast<WPARAM>(hdc),
                         reinterpret_cast<LPARAM>(hwndControl), result))
        return TRUE;
    if (message == WM_CTLCOLORSTATIC)
    {
        ::SetTextColor(hdc, kControlTextColor);
        ::SetBkMode(hdc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(m_brushBackground.Get());
        return TRUE;
    }
    return FALSE;
}

BOOL CQDialog::OnInitDialog()
{
    HICON hIcon = GetApplicationIcon();
    if (hIcon)
    {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    }
    EnableToolTips(TRUE);
    CenterWindow();
    ::SendMessageW(m_hWnd, DM_REPOSITION, 0, 0);
    return TRUE;
}

BOOL CQDialog::OnCommand(UINT id, UINT code, HWND)
{
    if (code != BN_CLICKED && code != 1)
        return FALSE;
    if (id == IDOK)
    {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL)
    {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CQDialog::OnNotify(NMHDR*, LRESULT&)
{
    return FALSE;
}

void CQDialog::OnTimer(UINT_PTR) {}

void CQDialog::OnDestroy() {}

void CQDialog::OnOK()
{
    EndDialog(IDOK);
}

void CQDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CQDialog::OnHelpRequest() {}

BOOL CQDialog::OnMeasureUnboundItem(HWND hwndControl, MEASUREITEMSTRUCT* pMeasure)
{
    switch (pMeasure->CtlType)
    {
    case ODT_COMBOBOX:
        CColoredCombo::MeasureItemOf(hwndControl, pMeasure);
        return TRUE;
    case ODT_LISTBOX:
        CColorListBox::MeasureItemOf(pMeasure);
        return TRUE;
    default:
        return FALSE;
    }
}

void CQDialog::CenterWindow()
{
    HWND hCenter = ::GetWindow(m_hWnd, GW_OWNER);
    if (!hCenter)
        hCenter = ::GetParent(m_hWnd);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hCenter ? hCenter : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;

    RECT center = area;
    if (hCenter && ::IsWindowVisible(hCenter) && !::IsIconic(hCenter))
        ::GetWindowRect(hCenter, &center);

    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = (center.left + center.right) / 2 - width / 2;
    int y = (center.top + center.bottom) / 2 - height / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (x < area.left)
        x = area.left;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (y < area.top)
        y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
