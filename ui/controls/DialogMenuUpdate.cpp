// CQDialog: the command-update walk over a popup menu before it opens.
#include "ui/controls/Dialog.h"

namespace
{
// The menu that holds `hPopup`: the popup itself when it is the tracked one, else the menu bar of the
// dialog when one of its items opens the popup.
HMENU FindParentMenu(HWND hwnd, HMENU hPopup, HMENU hTracking)
{
    if (hPopup == hTracking)
        return hPopup;
    HMENU hBar = ::GetMenu(hwnd);
    if (!hBar)
        return nullptr;
    const int count = ::GetMenuItemCount(hBar);
    for (int i = 0; i < count; ++i)
    {
        if (::GetSubMenu(hBar, i) == hPopup)
            return hBar;
    }
    return nullptr;
}
} // namespace

BOOL CQDialog::OnUpdateCommand(UINT, CQCmdUI&)
{
    return FALSE;
}

UINT CQDialog::TrackPopupMenu(HMENU hPopup, UINT flags, int x, int y)
{
    HMENU hPrevious = m_hTrackingMenu;
    m_hTrackingMenu = hPopup;
    UINT command = static_cast<UINT>(::TrackPopupMenu(hPopup, flags, x, y, 0, m_hWnd, nullptr));
    m_hTrackingMenu = hPrevious;
    return command;
}

void CQDialog::UpdateMenuCommands(HMENU hPopup)
{
    if (!hPopup || !::IsMenu(hPopup))
        return;

    CQCmdUI state;
    state.m_hMenu = hPopup;
    state.m_hParentMenu = FindParentMenu(m_hWnd, hPopup, m_hTrackingMenu);

    const int initialCount = ::GetMenuItemCount(hPopup);
    state.m_dwordIndexMax = initialCount > 0 ? static_cast<UINT>(initialCount) : 0;
    for (state.m_dwordIndex = 0; state.m_dwordIndex < state.m_dwordIndexMax; ++state.m_dwordIndex)
    {
        state.m_dwordId = ::GetMenuItemID(hPopup, static_cast<int>(state.m_dwordIndex));
        if (state.m_dwordId == 0)
            continue; // separator

        state.m_boolEnableChanged = FALSE;
        if (state.m_dwordId == static_cast<UINT>(-1))
        {
            // An item that opens a sub-menu is routed by the sub-menu's first item.
            state.m_hSubMenu = ::GetSubMenu(hPopup, static_cast<int>(state.m_dwordIndex));
            if (!state.m_hSubMenu)
                continue;
            state.m_dwordId = ::GetMenuItemID(state.m_hSubMenu, 0);
            if (state.m_dwordId == 0 || state.m_dwordId == static_cast<UINT>(-1))
                continue;
            const BOOL hasHandler = OnUpdateCommand(state.m_dwordId, state);
            if (!hasHandler && !state.m_boolEnableChanged)
                state.Enable(FALSE);
        }
        else
        {
            // Plain items are never disabled for lack of a handler.
            state.m_hSubMenu = nullptr;
            OnUpdateCommand(state.m_dwordId, state);
        }

        // A handler may have removed items: step back by the difference and past the items that still
        // carry the id just updated.
        const int nowCount = ::GetMenuItemCount(hPopup);
        const UINT count = nowCount > 0 ? static_cast<UINT>(nowCount) : 0;
        if (count < state.m_dwordIndexMax)
        {
            int index =
                static_cast<int>(state.m_dwordIndex) - static_cast<int>(state.m_dwordIndexMax - count);
            if (index < -1)
                index = -1;
            while (index >= 0 && index < static_cast<int>(count) &&
                   ::GetMenuItemID(hPopup, index) == state.m_dwordId)
                ++index;
            // At -1 (the first item removed itself) the loop's increment lands on position 0.
            state.m_dwordIndex = static_cast<UINT>(index);
        }
        state.m_dwordIndexMax = count;
    }
}
