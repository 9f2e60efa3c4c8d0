#include "support/TopLevelWindow.h"

TopLevelWindow::TopLevelWindow(const wchar_t* title, int x, int y, int width, int height)
{
    m_hwnd = ::CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                               nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

TopLevelWindow::~TopLevelWindow()
{
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}
