// Copying the rows of a report list view or the lines of a list box as text, as Ctrl+C does in the lists of
// Windows tools.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A column that the copy adds after the list's own: its title, and its cell for a row's item data.
struct CQCopyColumn
{
    std::wstring title;
    std::function<std::wstring(LPARAM)> cell;
};

// A header row with the columns' titles, then the selected rows, or every row when none is selected, in
// list order: the cells of a row joined by tabs, each row ending in CR LF, each cell marked as text where a
// spreadsheet would take it for a formula (data/csv/CsvText.h).
std::wstring ListRowsAsText(HWND list, const std::vector<CQCopyColumn>& extraColumns = {});

// The lines of a list box with strings, each ending in CR LF: the selected ones, or every line when none is
// selected or the box has no multiple selection.
std::wstring ListBoxLinesAsText(HWND box);

// Puts the text on the clipboard as Unicode text, owned by the window; false when the clipboard cannot
// be had or the memory not obtained (logged).
BOOL CopyTextToClipboard(HWND owner, const std::wstring& text);
