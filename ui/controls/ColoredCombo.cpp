#include "ui/controls/ColoredCombo.h"

#include "ui/controls/ComboDriveItem.h"
#include "ui/controls/ControlColors.h"

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
