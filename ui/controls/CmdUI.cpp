#include "ui/controls/CmdUI.h"

void CQCmdUI::Enable(BOOL on)
{
    m_boolEnableChanged = TRUE;
    if (m_hMenu && m_dwordIndex < m_dwordIndexMax)
        ::EnableMenuItem(m_hMenu, m_dwordIndex,
                         MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void CQCmdUI::SetCheck(int check)
{
    if (m_hMenu && m_dwordIndex < m_dwordIndexMax)
        ::CheckMenuItem(m_hMenu, m_dwordIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
}

void CQCmdUI::SetText(const wchar_t* text)
{
    if (!m_hMenu || m_dwordIndex >= m_dwordIndexMax || !text)
        return;
    // Only the string changes, so an item that opens a sub-menu keeps it.
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text);
    ::SetMenuItemInfoW(m_hMenu, m_dwordIndex, TRUE, &info);
}
