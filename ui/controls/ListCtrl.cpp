#include "ui/controls/ListCtrl.h"

#include "data/Process.h"

BOOL CQListCtrl::SortItems()
{
    if (!m_hWnd)
        return FALSE;
    return static_cast<BOOL>(::SendMessageW(m_hWnd, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
                                            reinterpret_cast<LPARAM>(&CompareCallback)));
}

BOOL CQListCtrl::DeleteAllItems()
{
    return m_hWnd ? static_cast<BOOL>(::SendMessageW(m_hWnd, LVM_DELETEALLITEMS, 0, 0)) : FALSE;
}

BOOL CQListCtrl::DeleteItem(int index)
{
    return m_hWnd ? static_cast<BOOL>(::SendMessageW(m_hWnd, LVM_DELETEITEM, static_cast<WPARAM>(index), 0))
                  : FALSE;
}

int CQListCtrl::GetColumnsWidth() const
{
    if (!m_hWnd)
        return 0;
    HWND hHeader = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
    const int count = hHeader ? static_cast<int>(::SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0)) : 0;
    int width = 0;
    for (int column = 0; column < count; ++column)
        width += static_cast<int>(::SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    return width;
}

void CQListCtrl::CheckColumnsFit()
{
    if (!m_boolFitColumns || !m_hWnd)
        return;
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    if (client.right - client.left != GetColumnsWidth() && m_fnFitColumns)
        m_fnFitColumns(this);
}

int CQListCtrl::GetItemCount() const
{
    return m_hWnd ? static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

LPARAM CQListCtrl::GetItemData(int index) const
{
    if (!m_hWnd)
        return 0;
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return ::SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

int CQListCtrl::CompareRows(LPARAM first, LPARAM second) const
{
    const CQProcess* a = reinterpret_cast<const CQProcess*>(first);
    const CQProcess* b = reinterpret_cast<const CQProcess*>(second);
    if (!a || !b)
        return a ? -1 : (b ? 1 : 0); // a row without an object goes last
    return CompareProcessRows(a, b);
}

int CALLBACK CQListCtrl::CompareCallback(LPARAM first, LPARAM second, LPARAM sortParam)
{
    return reinterpret_cast<const CQListCtrl*>(sortParam)->CompareRows(first, second);
}

BOOL CQListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_NOTIFY:
    {
        // The header is the list view's child, so its notifications come here and not to the dialog.
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        if (pHeader && (pHeader->code == HDN_ITEMCLICKW || pHeader->code == HDN_ITEMCLICKA))
        {
            OnHeaderItemClick(reinterpret_cast<const NMHEADERW*>(lParam)->iItem);
            result = 0;
            return TRUE;
        }
        return FALSE;
    }

    case WM_KEYDOWN:
        if (!m_boolCopyRows || wParam != 'C' || ::GetKeyState(VK_CONTROL) >= 0)
            return FALSE;
        CopyTextToClipboard(m_hWnd, ListRowsAsText(m_hWnd, m_arrCopyColumns));
        result = 0;
        return TRUE;

    case WM_WINDOWPOSCHANGED:
    {
        result = Default(message, wParam, lParam);
        const WINDOWPOS* pPos = reinterpret_cast<const WINDOWPOS*>(lParam);
        // A move without a new size and the first showing leave the columns alone.
        if (m_boolFitColumns && m_hWnd && pPos && !(pPos->flags & (SWP_NOSIZE | SWP_SHOWWINDOW)))
        {
            ::SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
            CheckColumnsFit();
            ::SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
        }
        return TRUE;
    }

    default:
        return FALSE;
    }
}

void CQListCtrl::OnHeaderItemClick(int item)
{
    m_intSortColumn = item;
    SortItems();
}

BOOL CQListCtrl::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_NOTIFY || !lParam)
        return FALSE;
    return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
}

BOOL CQListCtrl::OnNotify(NMHDR* pHeader, LRESULT& result)
{
    if (pHeader->code != LVN_GETDISPINFOW)
        return FALSE;
    OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(pHeader));
    result = 0;
    return TRUE;
}

void CQListCtrl::OnGetDispInfo(NMLVDISPINFOW* pInfo)
{
    LPARAM data = pInfo->item.lParam;
    if (!data)
        data = GetItemData(pInfo->item.iItem);
    if (CQProcess* row = reinterpret_cast<CQProcess*>(data))
        row->GetDispInfo(&pInfo->item);
}
