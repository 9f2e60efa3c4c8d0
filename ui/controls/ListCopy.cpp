#include "ui/controls/ListCopy.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "data/Error.h"
#include "data/csv/CsvText.h"

namespace
{
// A cell's text, asked again with more room while it fills the buffer.
std::wstring CellText(HWND list, int row, int column, std::vector<wchar_t>& buffer)
{
    for (;;)
    {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        buffer[0] = L'\0';
        const size_t length = static_cast<size_t>(::SendMessageW(
            list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size() || buffer.size() >= 65536)
            return std::wstring(buffer.data(), length < buffer.size() ? length : buffer.size() - 1);
        buffer.resize(buffer.size() * 4);
    }
}
// A column's title, as the header shows it.
std::wstring ColumnTitle(HWND list, int column, std::vector<wchar_t>& buffer)
{
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT;
    info.pszText = buffer.data();
    info.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = L'\0';
    if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)))
        return std::wstring();
    buffer.back() = L'\0';
    return info.pszText ? std::wstring(info.pszText) : std::wstring();
}
} // namespace

std::wstring ListRowsAsText(HWND list, const std::vector<CQCopyColumn>& extraColumns)
{
    std::wstring text;
    if (!list)
        return text;
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const bool onlySelected = ::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    std::vector<wchar_t> buffer(512);
    for (int column = 0; column < columns; ++column)
    {
        if (column != 0)
            text += L'\t';
        AppendSpreadsheetText(text, ColumnTitle(list, column, buffer));
    }
    for (const CQCopyColumn& extra : extraColumns)
    {
        text += L'\t';
        AppendSpreadsheetText(text, extra.title);
    }
    text += L"\r\n";
    for (int row = 0; row < rows; ++row)
    {
        if (onlySelected &&
            !(::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
              LVIS_SELECTED))
            continue;
        for (int column = 0; column < columns; ++column)
        {
            if (column != 0)
                text += L'\t';
            AppendSpreadsheetText(text, CellText(list, row, column, buffer));
        }
        if (!extraColumns.empty())
        {
            LVITEMW item = {};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            const LPARAM data =
                ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
            for (const CQCopyColumn& extra : extraColumns)
            {
                text += L'\t';
                AppendSpreadsheetText(text, data ? extra.cell(data) : std::wstring());
            }
        }
        text += L"\r\n";
    }
    return text;
}

std::wstring ListBoxLinesAsText(HWND box)
{
    std::wstring text;
    if (!box)
        return text;
    const int count = static_cast<int>(::SendMessageW(box, LB_GETCOUNT, 0, 0));
    // LB_ERR for a box without multiple selection.
    const LRESULT selected = ::SendMessageW(box, LB_GETSELCOUNT, 0, 0);
    const bool onlySelected = selected != LB_ERR && selected > 0;
    std::vector<wchar_t> line;
    for (int index = 0; index < count; ++index)
    {
        if (onlySelected && ::SendMessageW(box, LB_GETSEL, static_cast<WPARAM>(index), 0) <= 0)
            continue;
        const LRESULT length = ::SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length > 0)
        {
            line.assign(static_cast<size_t>(length) + 1, L'\0');
            const LRESULT copied = ::SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(index),
                                                  reinterpret_cast<LPARAM>(line.data()));
            if (copied > 0)
                text.append(line.data(), static_cast<size_t>(copied < length ? copied : length));
        }
        text += L"\r\n";
    }
    return text;
}

BOOL CopyTextToClipboard(HWND owner, const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
    {
        CQError error(L"Copying to the clipboard");
        return FALSE;
    }
    void* data = ::GlobalLock(memory);
    std::memcpy(data, text.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(owner))
    {
        CQError error(L"Opening the clipboard");
        ::GlobalFree(memory);
        return FALSE;
    }
    ::EmptyClipboard();
    // Once placed, the memory belongs to the clipboard.
    const BOOL placed = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!placed)
    {
        CQError error(L"Copying to the clipboard");
        ::GlobalFree(memory);
    }
    ::CloseClipboard();
    return placed;
}
