// A plain visible top-level window for window tests (an owner for dialogs), destroyed with the object.
#pragma once

#include <windows.h>

class TopLevelWindow
{
public:
    explicit TopLevelWindow(const wchar_t* title = L"Test owner", int x = 100, int y = 100, int width = 400,
                            int height = 300);
    ~TopLevelWindow();

    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};
