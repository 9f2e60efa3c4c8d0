// CQDialog: the tray icon, minimise-to-tray and restore.
#include "ui/controls/Dialog.h"

#include "ui/controls/DialogEnvironment.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

// The second version of the structure, without the item GUID: 936 bytes in a 32-bit build; the same
// fields take 952 bytes with 64-bit handles.
static_assert(NOTIFYICONDATAW_V2_SIZE == (sizeof(void*) == 8 ? 952 : 936), "tray icon structure size");

namespace
{
// The tip is cut to this many characters, terminator included.
constexpr int kTipLimit = 64;
constexpr UINT kTopmostFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
// Asked for; the system keeps a balloon up as long as its own settings say.
constexpr UINT kBalloonTimeoutMs = 10000;

// Copies text into a fixed field, cut to the field's size with the terminator.
template <size_t N> void CopyCut(wchar_t (&field)[N], const wchar_t* text)
{
    if (text)
        ::StrCpyNW(field, text, static_cast<int>(std::min<size_t>(std::wcslen(text) + 1, N)));
}
} // namespace

BOOL CQDialog::NotifyIcon(DWORD message, HICON icon, const wchar_t* tip)
{
    if (message == NIM_DELETE && !m_boolTrayIconShown)
        return FALSE;
    if (message == NIM_ADD && m_boolTrayIconShown)
        return FALSE;
    if (message == NIM_DELETE)
        m_boolTrayIconShown = FALSE;
    else if (message == NIM_ADD)
        m_boolTrayIconShown = TRUE;

    NOTIFYICONDATAW data;
    ::ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = QM_TRAYNOTIFY;
    data.hIcon = icon;
    if (tip)
    {
        const size_t limit = std::min<size_t>(std::wcslen(tip) + 1, kTipLimit);
        ::StrCpyNW(data.szTip, tip, static_cast<int>(limit));
    }
    return s_pfnShellNotifyIcon(message, &data);
}

BOOL CQDialog::ShowBalloon(const wchar_t* title, const wchar_t* text, DWORD iconFlags)
{
    if (!m_boolTrayIconShown)
        return FALSE;
    NOTIFYICONDATAW data;
    ::ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = iconFlags;
    data.uTimeout = kBalloonTimeoutMs;
    CopyCut(data.szInfoTitle, title);
    CopyCut(data.szInfo, text);
    return s_pfnShellNotifyIcon(NIM_MODIFY, &data);
}

void CQDialog::OnTrayBalloonClick() {}

void CQDialog::MinimizeWindow()
{
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
    if (IsTrayIconOnly() && m_boolHideWhenMinimized)
        ::ShowWindow(m_hWnd, SW_HIDE);
    m_boolMinimized = TRUE;
}

void CQDialog::RestoreWindow()
{
    if (m_boolMinimized)
    {
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::ShowWindow(m_hWnd, SW_RESTORE);
        ::SendMessageW(m_hWnd, DM_REPOSITION, 0, 0);
    }
    else
    {
        // Topmost and back brings the window in front of the others without keeping it there.
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, kTopmostFlags);
        ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kTopmostFlags);
    }
    m_boolMinimized = FALSE;
}

void CQDialog::OnTrayRButtonDown() {}

void CQDialog::OnTrayLButtonDown() {}

void CQDialog::OnTrayLButtonDblClk()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    // A window that was never shown (started into the tray) is not "shown normally": it is
    // restored, so the first double click brings it up instead of minimising an invisible
    // window.
    const BOOL shownNormally = !m_boolMinimized && ::IsWindowVisible(m_hWnd) &&
                               placement.showCmd != SW_SHOWMINIMIZED && placement.showCmd != SW_SHOWMAXIMIZED;
    if (shownNormally)
        MinimizeWindow();
    else
        RestoreWindow();
}

int CQDialog::GetMinTrackWidth()
{
    return m_intMinTrackWidth;
}
