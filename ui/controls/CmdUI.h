// The state of one popup-menu item during the command-update walk of a dialog (CQDialog): the command
// handler of the item's id enables, checks or renames the item through it.
#pragma once

#include <windows.h>

class CQCmdUI
{
public:
    // Enables or disables (greys) the item. For an item that opens a sub-menu this acts on that item.
    void Enable(BOOL on = TRUE);
    // 0 unchecked, 1 checked.
    void SetCheck(int check = 1);
    void SetText(const wchar_t* text);

    UINT m_dwordId = 0;            // command id the update is routed by
    UINT m_dwordIndex = 0;         // position of the item in m_hMenu
    UINT m_dwordIndexMax = 0;      // item count of m_hMenu as last taken
    HMENU m_hMenu = nullptr;       // the popup being updated
    HMENU m_hSubMenu = nullptr;    // the item's sub-menu when it opens one, else null
    HMENU m_hParentMenu = nullptr; // menu holding the popup: itself when tracked, else the menu bar or null
    BOOL m_boolEnableChanged = FALSE;
};
