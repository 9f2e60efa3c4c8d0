#include "ui/dialogs/health/DriveHealthList.h"

#include <cwchar>

void CQDriveHealthList::InsertColumns()
{
    if (!m_hWnd)
        return;
    HWND hDialog = ::GetParent(m_hWnd);
    for (int i = 0; i < kDriveHealthColumns; ++i)
    {
        // The widths are in dialog units, so the columns keep their proportions with any font.
        RECT width = {0, 0, g_driveHealthColumns[i].width, 0};
        ::MapDialogRect(hDialog, &width);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = width.right;
        column.pszText = const_cast<wchar_t*>(g_driveHealthColumns[i].title);
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void CQDriveHealthList::ShowRows(int selected)
{
    if (!m_hWnd)
        return;
    ::SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    DeleteAllItems();
    const size_t count = m_pCells ? m_pCells->size() : 0;
    for (size_t i = 0; i < count; ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = static_cast<LPARAM>(i);
        ::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (selected >= 0 && static_cast<size_t>(selected) < count)
    {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(selected),
                       reinterpret_cast<LPARAM>(&state));
    }
    ::SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CQDriveHealthList::GetSelectedRow() const
{
    if (!m_hWnd)
        return -1;
    const int row =
        static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 ? static_cast<int>(GetItemData(row)) : -1;
}

int CQDriveHealthList::CompareRows(LPARAM first, LPARAM second) const
{
    return first < second ? -1 : (first > second ? 1 : 0);
}

void CQDriveHealthList::OnGetDispInfo(NMLVDISPINFOW* pInfo)
{
    if (!(pInfo->item.mask & LVIF_TEXT) || pInfo->item.pszText == nullptr || pInfo->item.cchTextMax <= 0)
        return;
    pInfo->item.pszText[0] = L'\0';
    const size_t row = static_cast<size_t>(GetItemData(pInfo->item.iItem));
    const int column = pInfo->item.iSubItem;
    if (!m_pCells || row >= m_pCells->size() || column < 0 || column >= kDriveHealthColumns)
        return;
    const std::wstring& text = (*m_pCells)[row].cells[column];
    wcsncpy(pInfo->item.pszText, text.c_str(), static_cast<size_t>(pInfo->item.cchTextMax) - 1);
    pInfo->item.pszText[pInfo->item.cchTextMax - 1] = L'\0';
}
