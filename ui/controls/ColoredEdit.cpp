#include "ui/controls/ColoredEdit.h"

#include <string>

#include "ui/controls/ControlColors.h"

namespace
{
constexpr COLORREF kDisabledTextColor = RGB(150, 150, 150);
} // namespace

CQColoredEdit::CQColoredEdit() : m_brushBackground(::CreateSolidBrush(kControlBackgroundColor)) {}

bool CQColoredEdit::GetNumber(unsigned long largest, unsigned long& value) const
{
    if (!m_hWnd)
        return false;
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, &text[0], length + 1)));
    if (text.empty())
        return false;
    unsigned long number = 0;
    for (wchar_t c : text)
    {
        if (c < L'0' || c > L'9')
            return false;
        number = number * 10 + static_cast<unsigned long>(c - L'0');
        if (number > largest)
            return false;
    }
    value = number;
    return true;
}

void CQColoredEdit::SetNumber(unsigned long value)
{
    if (m_hWnd)
        ::SetWindowTextW(m_hWnd, std::to_wstring(value).c_str());
}

BOOL CQColoredEdit::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    // A disabled or read-only edit box asks with the static controls' message.
    if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC)
        return FALSE;
    HDC hdc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(hdc, ::IsWindowEnabled(m_hWnd) ? kControlTextColor : kDisabledTextColor);
    ::SetBkColor(hdc, kControlBackgroundColor);
    result = reinterpret_cast<LRESULT>(m_brushBackground.Get());
    return TRUE;
}
