#include "ui/controls/ColoredCheckBox.h"

#include "ui/controls/ControlColors.h"

#include <string>

void CColoredCheckBox::DrawItem(const DRAWITEMSTRUCT* pDraw) const
{
    HDC hdc = pDraw->hDC;
    ::SetBkColor(hdc, kControlBackgroundColor);
    ::SetTextColor(hdc, kControlTextColor);
    const int length = ::GetWindowTextLengthW(pDraw->hwndItem);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(pDraw->hwndItem, &text[0], length + 1)));
    RECT rect = pDraw->rcItem;
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rect, DT_VCENTER);
}

BOOL CColoredCheckBox::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return FALSE;
    DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return TRUE;
}
