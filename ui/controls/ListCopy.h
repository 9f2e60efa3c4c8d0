// Copying the rows of a report list view as text, as Ctrl+C does in the lists of Windows tools.
#pragma once

#include <windows.h>

#include <string>

// The selected rows, or every row when none is selected, in list order: the cells of a row joined by
// tabs, each row ending in CR LF.
std::wstring ListRowsAsText(HWND list);

// Puts the text on the clipboard as Unicode text, owned by the window; false when the clipboard cannot
// be had or the memory not obtained (logged).
BOOL CopyTextToClipboard(HWND owner, const std::wstring& text);
