#include "ui/controls/ResizeDialog.h"

BOOL CQResizeDialog::OnInitDialog()
{
    const BOOL result = CQDialog::OnInitDialog();
    m_boolResizingEnabled = TRUE;
    ::GetWindowRect(m_hWnd, &m_rectLastLayout);
    m_intMinTrackHeight = m_rectLastLayout.bottom - m_rectLastLayout.top;
    m_intMinTrackWidth = m_rectLastLayout.right - m_rectLastLayout.left;
    RepositionControls();
    return result;
}

BOOL CQResizeDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_SIZE)
    {
        // The system's own handling of WM_SIZE follows (not handled here), which does nothing a layout
        // depends on.
        if (wParam != SIZE_MINIMIZED && m_boolResizingEnabled && LOWORD(lParam) != 0 && HIWORD(lParam) != 0)
        {
            m_hDeferWindowPos = ::BeginDeferWindowPos(kDeferredWindows);
            RepositionControls();
            if (m_hDeferWindowPos)
                ::EndDeferWindowPos(m_hDeferWindowPos);
            m_hDeferWindowPos = nullptr;
        }
        return FALSE;
    }
    return CQDialog::WindowProc(message, wParam, lParam, result);
}

void CQResizeDialog::RepositionControls() {}

void CQResizeDialog::OffsetControl(int id, int dx, int dy, int dw, int dh)
{
    HWND hControl = GetDlgItem(id);
    if (!hControl)
        return;
    RECT rect = {};
    ::GetWindowRect(hControl, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    const int x = rect.left + dx;
    const int y = rect.top + dy;
    const int width = rect.right - rect.left + dw;
    const int height = rect.bottom - rect.top + dh;
    if (m_hDeferWindowPos)
        m_hDeferWindowPos = ::DeferWindowPos(m_hDeferWindowPos, hControl, nullptr, x, y, width, height,
                                             SWP_NOZORDER | SWP_NOACTIVATE);
    else
        ::SetWindowPos(hControl, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQResizeDialog::TakeSizeChange(int& dx, int& dy)
{
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    dx = (window.right - window.left) - (m_rectLastLayout.right - m_rectLastLayout.left);
    dy = (window.bottom - window.top) - (m_rectLastLayout.bottom - m_rectLastLayout.top);
    m_rectLastLayout = window;
}

void CQResizeDialog::RepaintWhole(std::initializer_list<int> ids)
{
    for (int id : ids)
        ::InvalidateRect(GetDlgItem(id), nullptr, TRUE);
}
