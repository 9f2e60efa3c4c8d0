// What the window tests ask of windows and controls: whether this session can make windows at all, where a
// control lies, how big a window is, what a list box shows and what the clipboard holds.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// False where the session has no desktop to make windows on; the window tests skip then.
bool CanCreateWindows();

// A control's rectangle in the client coordinates of its dialog.
RECT ClientRectOf(HWND hDlg, int id);

SIZE WindowSize(HWND hwnd);

// The lines of a list box, first to last (also of one in another process).
std::vector<std::wstring> ListBoxLines(HWND box);

// The clipboard's Unicode text, "(nothing)" when it has none; and emptying it.
std::wstring ClipboardText();
bool EmptyTheClipboard();
