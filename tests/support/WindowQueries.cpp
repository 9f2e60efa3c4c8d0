#include "support/WindowQueries.h"

bool CanCreateWindows()
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    DestroyWindow(hwnd);
    return true;
}

RECT ClientRectOf(HWND hDlg, int id)
{
    RECT rect = {};
    ::GetWindowRect(::GetDlgItem(hDlg, id), &rect);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE WindowSize(HWND hwnd)
{
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

std::vector<std::wstring> ListBoxLines(HWND box)
{
    std::vector<std::wstring> lines;
    const int count = static_cast<int>(::SendMessageW(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        std::wstring line(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        line.resize(
            static_cast<size_t>(::SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]))));
        lines.push_back(line);
    }
    return lines;
}

std::wstring ClipboardText()
{
    if (!::OpenClipboard(nullptr))
        return L"(clipboard not opened)";
    std::wstring text = L"(nothing)";
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT))
    {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

bool EmptyTheClipboard()
{
    if (!::OpenClipboard(nullptr))
        return false;
    ::EmptyClipboard();
    ::CloseClipboard();
    return true;
}
