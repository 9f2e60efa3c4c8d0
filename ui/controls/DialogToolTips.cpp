// CQDialog: tooltips for the child controls. One tool at a time follows the child control under the
// mouse; its text is asked for when the tooltip shows (GetToolTipText).
#include "ui/controls/Dialog.h"

#include <commctrl.h>

namespace
{
constexpr int kToolTipMaxWidth = 400;

bool IsMouseMessage(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

TOOLINFOW MakeToolInfo(HWND hwnd, UINT id)
{
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = hwnd;
    info.uId = id;
    return info;
}
} // namespace

const wchar_t* CQDialog::GetToolTipText(UINT)
{
    return nullptr;
}

UINT CQDialog::ToolHitTest(POINT ptClient) const
{
    if (!m_hWnd)
        return 0;
    HWND hChild = ::ChildWindowFromPointEx(m_hWnd, ptClient, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!hChild || hChild == m_hWnd)
        return 0;
    const int id = ::GetDlgCtrlID(hChild);
    return id > 0 && id != 0xFFFF ? static_cast<UINT>(id) : 0;
}

void CQDialog::EnableToolTips(BOOL enable)
{
    if (!enable || m_hToolTip || !m_hWnd)
        return;
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&init);
    m_hToolTip = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (m_hToolTip)
        ::SendMessageW(m_hToolTip, TTM_SETMAXTIPWIDTH, 0, kToolTipMaxWidth);
}

void CQDialog::FilterToolTipMessage(const MSG& msg)
{
    if (!m_hToolTip || !m_hWnd || !IsMouseMessage(msg.message))
        return;
    if (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd))
        return;

    POINT pt = msg.pt;
    ::ScreenToClient(m_hWnd, &pt);
    UINT id = ToolHitTest(pt);
    if (id && !GetToolTipText(id))
        id = 0;
    if (id != m_uintToolId)
    {
        if (m_uintToolId)
        {
            TOOLINFOW old = MakeToolInfo(m_hWnd, m_uintToolId);
            ::SendMessageW(m_hToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&old));
        }
        m_uintToolId = id;
        if (id)
        {
            TOOLINFOW tool = MakeToolInfo(m_hWnd, id);
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            HWND hChild = ::GetDlgItem(m_hWnd, static_cast<int>(id));
            ::GetWindowRect(hChild, &tool.rect);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&tool.rect), 2);
            ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    if (!m_uintToolId)
        return;
    // The tool belongs to the dialog, so the tooltip gets the event in the dialog's coordinates.
    MSG relayed = msg;
    relayed.hwnd = m_hWnd;
    relayed.lParam = MAKELPARAM(pt.x, pt.y);
    ::SendMessageW(m_hToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

BOOL CQDialog::OnToolTipText(NMHDR* pHeader)
{
    if (pHeader->code != TTN_GETDISPINFOW)
        return FALSE;
    NMTTDISPINFOW* pInfo = reinterpret_cast<NMTTDISPINFOW*>(pHeader);
    const UINT id = (pInfo->uFlags & TTF_IDISHWND)
                        ? static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(pHeader->idFrom)))
                        : static_cast<UINT>(pHeader->idFrom);
    const wchar_t* text = GetToolTipText(id);
    // The text may be longer than szText: it is kept in the dialog until the next request.
    m_csToolTipText = text ? text : L"";
    pInfo->lpszText = &m_csToolTipText[0];
    pInfo->hinst = nullptr;
    return TRUE;
}
