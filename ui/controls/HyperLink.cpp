#include "ui/controls/HyperLink.h"

#include "ui/controls/ControlColors.h"

#include <shellapi.h>

HINSTANCE(WINAPI* CHyperLink::s_pfnShellExecute)
(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ::ShellExecuteW;
BOOL(WINAPI* CHyperLink::s_pfnMessageBeep)(UINT) = ::MessageBeep;

namespace
{
std::wstring WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, &text[0], length + 1)));
    return text;
}
} // namespace

CHyperLink::CHyperLink() : m_crLinkColour(kLinkColor), m_crVisitedColour(kVisitedLinkColor) {}

void CHyperLink::OnAttached()
{
    // Without SS_NOTIFY the static reports no clicks.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | SS_NOTIFY);
    if (m_csURL.empty())
        m_csURL = WindowText(m_hWnd);
    PositionWindow();
    if (!m_hLinkCursor)
        m_hLinkCursor = ::LoadCursorW(nullptr, IDC_ARROW);
}

void CHyperLink::SetURL(const wchar_t* url)
{
    m_csURL = url ? url : L"";
    PositionWindow();
}

void CHyperLink::SetVisited(BOOL visited)
{
    m_boolVisited = visited ? TRUE : FALSE;
    Invalidate();
}

void CHyperLink::PositionWindow()
{
    if (!m_boolAdjustToFit || !m_hWnd)
        return;
    HWND hParent = ::GetParent(m_hWnd);
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);

    const std::wstring text = WindowText(m_hWnd);
    SIZE extent = {};
    HDC hdc = ::GetDC(m_hWnd);
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? ::SelectObject(hdc, hFont) : nullptr;
    ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &extent);
    if (hOldFont)
        ::SelectObject(hdc, hOldFont);
    ::ReleaseDC(m_hWnd, hdc);

    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    if (style & SS_CENTERIMAGE)
    {
        rect.top += (rect.bottom - rect.top - extent.cy) / 2;
        rect.bottom = rect.top + extent.cy;
    }
    else
        rect.bottom = rect.top + extent.cy;

    switch (style & SS_TYPEMASK)
    {
    case SS_CENTER:
        rect.left += (rect.right - rect.left - extent.cx) / 2;
        rect.right = rect.left + extent.cx;
        break;
    case SS_RIGHT:
        rect.left = rect.right - extent.cx;
        break;
    default:
        rect.right = rect.left + extent.cx;
        break;
    }
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT CHyperLink::UnderlineFont()
{
    if (!m_fontUnderline)
    {
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        if (!hFont)
            hFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        LOGFONTW font = {};
        if (::GetObjectW(hFont, sizeof(font), &font))
        {
            font.lfUnderline = TRUE;
            m_fontUnderline.Reset(::CreateFontIndirectW(&font));
        }
    }
    return m_fontUnderline.Get();
}

void CHyperLink::FollowLink()
{
    const HINSTANCE result = s_pfnShellExecute(nullptr, L"open", m_csURL.c_str(), nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) > 32)
        SetVisited(TRUE);
    else
    {
        SetVisited(FALSE);
        s_pfnMessageBeep(MB_ICONEXCLAMATION);
    }
}

BOOL CHyperLink::WindowProc(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    if (message == WM_SETCURSOR && m_hLinkCursor)
    {
        ::SetCursor(m_hLinkCursor);
        result = TRUE;
        return TRUE;
    }
    return FALSE;
}

BOOL CHyperLink::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message)
    {
    case WM_CTLCOLORSTATIC:
    {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(hdc, m_boolVisited ? m_crVisitedColour : m_crLinkColour);
        if (m_boolUnderline && UnderlineFont())
            ::SelectObject(hdc, m_fontUnderline.Get());
        ::SetBkMode(hdc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) != STN_CLICKED)
            return FALSE;
        FollowLink();
        result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}
