#include "ui/controls/ColorListBox.h"

#include "ui/controls/ControlColors.h"

#include <string>

void CColorListBox::MeasureItemOf(MEASUREITEMSTRUCT* pMeasure)
{
    pMeasure->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENUCHECK));
}

void CColorListBox::DrawItem(const DRAWITEMSTRUCT* pDraw) const
{
    if (static_cast<int>(pDraw->itemID) < 0)
        return; // an empty list box with the focus
    HDC hdc = pDraw->hDC;
    ::SetBkColor(hdc, kControlBackgroundColor);
    CQBrush background(::CreateSolidBrush(kControlBackgroundColor));
    ::FillRect(hdc, &pDraw->rcItem, background.Get());

    const int oldMode = ::SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(hdc, kControlTextColor);

    HWND hList = pDraw->hwndItem;
    const LRESULT length = ::SendMessageW(hList, LB_GETTEXTLEN, pDraw->itemID, 0);
    std::wstring text;
    if (length > 0)
    {
        text.resize(static_cast<size_t>(length) + 1);
        const LRESULT copied =
            ::SendMessageW(hList, LB_GETTEXT, pDraw->itemID, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    }

    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (::GetWindowLongW(hList, GWL_STYLE) & LBS_USETABSTOPS)
        format |= DT_EXPANDTABS;
    RECT rect = pDraw->rcItem;
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rect, format);

    ::SetTextColor(hdc, oldColor);
    ::SetBkMode(hdc, oldMode);
}

BOOL CColorListBox::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_CTLCOLORLISTBOX:
    {
        if (!m_brushBackground)
            return FALSE;
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(hdc, kControlBackgroundColor);
        ::SetBkMode(hdc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(m_brushBackground.Get());
        return TRUE;
    }
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
