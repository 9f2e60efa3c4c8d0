// Helpers of the secondary dialog tests: reading list views and windows, clicking, and writes in the
// monitor's data as the processing thread would make them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "engine/Monitor.h"
#include "engine/QueueEntry.h"

inline std::wstring WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, &text[0], length + 1)));
    return text;
}

// The text the list view shows in a cell (asks the row through LVN_GETDISPINFOW for callback texts).
inline std::wstring ListItemText(HWND list, int row, int column)
{
    wchar_t buffer[512] = L"<untouched>";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return item.pszText ? std::wstring(item.pszText) : std::wstring(L"<null>");
}

inline int ListItemCount(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

inline LPARAM ListItemData(HWND list, int row)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = static_cast<LPARAM>(-1);
    return ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

inline bool ListRowSelected(HWND list, int row)
{
    return (::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

// "1010" for four rows of which the first and third are selected.
inline std::string ListSelection(HWND list)
{
    std::string text;
    for (int row = 0; row < ListItemCount(list); ++row)
        text += ListRowSelected(list, row) ? '1' : '0';
    return text;
}

inline int ListColumnWidth(HWND list, int column)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

inline int ClientWidth(HWND hwnd)
{
    RECT rect = {};
    ::GetClientRect(hwnd, &rect);
    return rect.right - rect.left;
}

inline int WindowWidth(HWND hwnd)
{
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    return rect.right - rect.left;
}

inline RECT ListItemRect(HWND list, int row, int part)
{
    RECT rect = {part, 0, 0, 0};
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// A left click at a client point, with MK_CONTROL / MK_SHIFT in `keys`. The thread's key state shows Ctrl
// and Shift as pressed for the duration, as a real click with those keys would.
inline void ClickAt(HWND hwnd, POINT point, WPARAM keys = 0)
{
    BYTE saved[256] = {};
    ::GetKeyboardState(saved);
    BYTE state[256];
    memcpy(state, saved, sizeof(state));
    if (keys & MK_CONTROL)
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (keys & MK_SHIFT)
        state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    ::SetKeyboardState(state);
    const LPARAM position = MAKELPARAM(point.x, point.y);
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | keys, position);
    ::SendMessageW(hwnd, WM_LBUTTONUP, keys, position);
    ::SetKeyboardState(saved);
}

inline POINT CenterOf(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// One write of `bytes` by `process` to `path` (a drive-letter path), counted as the processing thread
// counts it, under the data lock. Returns the written item.
inline CQTreeItem* AddTestWrite(CQMonitor& monitor, const std::wstring& path, const wchar_t* process,
                                uint64_t bytes)
{
    CQLock lock(monitor.m_lockData);
    CQTreeItem* item = monitor.FindOrCreateItem(path);
    if (!item)
        return nullptr;
    const CQProcess* record = nullptr;
    if (process)
    {
        QueueEntry entry;
        entry.m_csProcessName = process;
        entry.m_qwordBytes = bytes;
        record = monitor.FindOrAddProcess(entry);
    }
    item->AddWrite(bytes, record);
    return item;
}

// The folder test.exe lives in, with a trailing backslash.
inline std::wstring TestProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder;
}

// Posts a command as if the button `id` of `dialog` was clicked.
inline void PostButtonClick(HWND dialog, int id)
{
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
