#include "ui/controls/ColoredCombo.h"

#include "ui/controls/ComboDriveItem.h"
#include "ui/controls/ControlColors.h"

namespace
{
const COLORREF kComboFrameColor = RGB(100, 100, 104);
}

void CColoredCombo::MeasureItemOf(HWND hCombo, MEASUREITEMSTRUCT* pMeasure)
{
    if (static_cast<int>(pMeasure->itemID) == -1)
        return;
    // The rows carry no strings, and the system asks before any row exists: the text measured is empty.
    HDC hdc = ::GetDC(hCombo);
    SIZE extent = {};
    if (hdc)
    {
        ::GetTextExtentPoint32W(hdc, L"", 0, &extent);
        // Some platforms (Wine) measure an empty text as zero high; the line height is what is meant.
        TEXTMETRICW metrics = {};
        if (extent.cy <= 0 && ::GetTextMetricsW(hdc, &metrics))
            extent.cy = metrics.tmHeight;
        ::ReleaseDC(hCombo, hdc);
    }
    pMeasure->itemHeight = static_cast<UINT>(2 * extent.cy);
}

void CColoredCombo::DrawItem(const DRAWITEMSTRUCT* pDraw) const
{
    if (static_cast<int>(pDraw->itemID) == -1)
        return;
    // A row without its entry object is painted empty.
    const CComboDriveItem* pEntry = pDraw->itemData == static_cast<ULONG_PTR>(CB_ERR)
                                        ? nullptr
                                        : reinterpret_cast<const CComboDriveItem*>(pDraw->itemData);

    HDC hdc = pDraw->hDC;
    const COLORREF oldText = ::GetTextColor(hdc);
    const COLORREF oldBack = ::GetBkColor(hdc);
    ::SetBkColor(hdc, kControlBackgroundColor);
    ::SetTextColor(hdc, kControlTextColor);

    RECT rect = pDraw->rcItem;
    if (m_brushBackground)
        ::FillRect(hdc, &rect, m_brushBackground.Get());
    else
    {
        CQBrush background(::CreateSolidBrush(kControlBackgroundColor));
        ::FillRect(hdc, &rect, background.Get());
    }
    if (pEntry)
        ::DrawTextW(hdc, pEntry->m_csName.c_str(), static_cast<int>(pEntry->m_csName.size()), &rect,
                    DT_SINGLELINE | DT_VCENTER | DT_CENTER);

    ::SetTextColor(hdc, oldText);
    ::SetBkColor(hdc, oldBack);
}

BOOL CColoredCombo::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        if (!m_brushBackground)
            return FALSE;
        ::SetBkColor(reinterpret_cast<HDC>(wParam), kControlBackgroundColor);
        result = reinterpret_cast<LRESULT>(m_brushBackground.Get());
        return TRUE;
    case WM_MEASUREITEM:
        MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return TRUE;
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return TRUE;
    default:
        return FALSE;
    }
}

void CColoredCombo::PaintClosed(HDC hdc) const
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    CQBrush frame(::CreateSolidBrush(kComboFrameColor));
    if (m_brushBackground)
        ::FillRect(hdc, &client, m_brushBackground.Get());
    else
    {
        CQBrush background(::CreateSolidBrush(kControlBackgroundColor));
        ::FillRect(hdc, &client, background.Get());
    }
    ::FrameRect(hdc, &client, frame.Get());

    // The drop-down arrow in a square at the right end.
    const int button = client.bottom - client.top;
    RECT field = client;
    field.right -= button;
    const int cx = client.right - button / 2;
    const int cy = (client.top + client.bottom) / 2;
    const int half = button / 5 > 2 ? button / 5 : 2;
    POINT arrow[3] = {{cx - half, cy - half / 2}, {cx + half + 1, cy - half / 2}, {cx, cy + half / 2 + 1}};
    CQBrush glyph(::CreateSolidBrush(kControlTextColor));
    HGDIOBJ oldBrush = ::SelectObject(hdc, glyph.Get());
    HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
    ::Polygon(hdc, arrow, 3);
    ::SelectObject(hdc, oldPen);
    ::SelectObject(hdc, oldBrush);

    // The selected row, drawn as the list draws it.
    const int selection = static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0));
    if (selection >= 0)
    {
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_COMBOBOX;
        draw.CtlID = static_cast<UINT>(::GetDlgCtrlID(m_hWnd));
        draw.itemID = static_cast<UINT>(selection);
        draw.itemAction = ODA_DRAWENTIRE;
        draw.hwndItem = m_hWnd;
        draw.hDC = hdc;
        draw.rcItem = field;
        ::InflateRect(&draw.rcItem, -1, -1);
        draw.itemData = static_cast<ULONG_PTR>(::SendMessageW(m_hWnd, CB_GETITEMDATA, selection, 0));
        HGDIOBJ oldFont =
            ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
        ::SetBkMode(hdc, TRANSPARENT);
        DrawItem(&draw);
        ::SelectObject(hdc, oldFont);
    }
}

BOOL CColoredCombo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT paint;
        HDC hdc = ::BeginPaint(m_hWnd, &paint);
        PaintClosed(hdc);
        ::EndPaint(m_hWnd, &paint);
        result = 0;
        return TRUE;
    }
    case WM_ERASEBKGND:
        result = 1;
        return TRUE;
    default:
        return CQControl::WindowProc(message, wParam, lParam, result);
    }
}
