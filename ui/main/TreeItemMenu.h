// The context menu of a row of the files tree view, with the two steps that tests replace: tracking the
// menu and running the processes dialog.
#pragma once

#include <windows.h>

#include <string>

class CQTreeItem;

// Commands of the item menu, in menu order.
enum : UINT
{
    kItemMenuItemOnly = 1,     // "Writes to this item only"
    kItemMenuWithChildren = 2, // "This item and its children"
    kItemMenuOpenFolder = 3,   // "Open containing folder"
};

// Shows menu at point (screen coordinates) for owner and returns the chosen command, 0 for none.
using TrackItemMenuFn = UINT (*)(HMENU menu, HWND owner, POINT point);
// Runs the processes dialog modally for item (with or without its sub-items).
using RunProcessesDlgFn = void (*)(CQTreeItem* item, BOOL withSubitems, HWND owner);

// TrackPopupMenu with TPM_RETURNCMD by default; replaceable.
extern TrackItemMenuFn g_pfnTrackItemMenu;
// CTavrelloProcessesDlg(item, withSubitems, owner).DoModal() by default; replaceable.
extern RunProcessesDlgFn g_pfnRunProcessesDlg;

// The folder that "Open containing folder" opens: the parent's full path, or the item's own when the
// parent adds nothing (a drive row gives its root folder, such as C:\). The caller holds the data lock.
std::wstring ContainingFolderPath(const CQTreeItem& item);
