#include "ui/main/TreeCtrl.h"

#include <vector>

#include "app/AppContext.h"
#include "data/TreeItem.h"
#include "ui/main/TreeDataLock.h"

CQTreeCtrl::CQTreeCtrl() = default;

CQTreeCtrl::~CQTreeCtrl()
{
    Detach();
    Disconnect();
}

UINT CQTreeCtrl::GetHandOverMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"Orvek software Tavrello tree items");
    return message;
}

void CQTreeCtrl::SetColors(COLORREF background, COLORREF text, COLORREF lines)
{
    if (m_hWnd == nullptr)
        return;
    ::SendMessageW(m_hWnd, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
    ::SendMessageW(m_hWnd, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    ::SendMessageW(m_hWnd, TVM_SETLINECOLOR, 0, static_cast<LPARAM>(lines));
}

void CQTreeCtrl::SetImageList(HIMAGELIST images)
{
    if (m_hWnd != nullptr)
        ::SendMessageW(m_hWnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

LRESULT CQTreeCtrl::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (m_pfnTreeProc != nullptr)
        return ::CallWindowProcW(m_pfnTreeProc, m_hWnd, message, wParam, lParam);
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

CQTreeItem* CQTreeCtrl::ItemOfRow(HTREEITEM row) const
{
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = row;
    if (row == nullptr || !Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)))
        return nullptr;
    return reinterpret_cast<CQTreeItem*>(data.lParam);
}

void CQTreeCtrl::OnAttached()
{
    m_pfnTreeProc = reinterpret_cast<WNDPROC>(::GetClassLongPtrW(m_hWnd, GCLP_WNDPROC));
    if (g_pAppContext == nullptr)
        return;
    g_pAppContext->m_itemHandOver.Connect(m_hWnd, GetHandOverMessage());
    m_boolConnected = 1;
}

void CQTreeCtrl::OnDetaching()
{
    // Without the subclass this object no longer sees the hand-over's messages nor its timer.
    Disconnect();
    if (m_boolBatchTimer)
        ::KillTimer(m_hWnd, kBatchTimer);
    m_boolBatchTimer = 0;
    m_pfnTreeProc = nullptr;
}

void CQTreeCtrl::Disconnect()
{
    if (!m_boolConnected)
        return;
    m_boolConnected = 0;
    if (g_pAppContext != nullptr)
        g_pAppContext->m_itemHandOver.Connect(nullptr, 0);
}

void CQTreeCtrl::DeleteAllItems()
{
    if (m_hWnd != nullptr)
        ::SendMessageW(m_hWnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

BOOL CQTreeCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == GetHandOverMessage() && message != 0)
    {
        if (wParam == CQItemHandOver::fillFromRoot)
            FillFromRoot(reinterpret_cast<CQTreeItem*>(lParam));
        else
            OnItemsHandedOver();
        result = 0;
        return TRUE;
    }
    switch (message)
    {
    case WM_TIMER:
        if (wParam != kBatchTimer)
            return FALSE;
        ::KillTimer(m_hWnd, kBatchTimer);
        m_boolBatchTimer = 0;
        TakeHandedOverItems();
        result = 0;
        return TRUE;
    case WM_LBUTTONDOWN:
        RememberClickedRow(lParam, FALSE);
        return FALSE; // the default handling selects the row
    case WM_RBUTTONDOWN:
        RememberClickedRow(lParam, TRUE);
        return FALSE;
    case TVM_DELETEITEM:
        // The items forget their rows before the rows go, while the row data still names them.
        ForgetRows(reinterpret_cast<HTREEITEM>(lParam));
        return FALSE;
    case WM_DESTROY:
        // The view deletes its rows without TVM_DELETEITEM when it is destroyed.
        ForgetRows(TVI_ROOT);
        Disconnect();
        return FALSE;
    case WM_NCDESTROY:
        m_pfnTreeProc = nullptr;
        Disconnect();
        m_boolBatchTimer = 0;
        m_qwordNextBatchTick = 0;
        ForgetClickedRow();
        m_setExpandWhenShown.clear();
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL CQTreeCtrl::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_NOTIFY || lParam == 0)
        return FALSE;
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    switch (header->code)
    {
    case TVN_GETDISPINFOW:
    {
        NMTVDISPINFOW* info = reinterpret_cast<NMTVDISPINFOW*>(lParam);
        CQTreeItem* item = reinterpret_cast<CQTreeItem*>(info->item.lParam);
        if (item != nullptr)
        {
            CQTreeDataLock lock;
            item->GetDispInfo(&info->item);
        }
        result = 0;
        return TRUE;
    }
    case TVN_ITEMEXPANDINGW:
        OnItemExpanding(reinterpret_cast<const NMTREEVIEWW*>(lParam));
        result = FALSE; // allow the expansion
        return TRUE;
    case TVN_SELCHANGEDW:
        result = 0;
        return TRUE;
    default:
        // Expanded, double click and right click go on to the main dialog.
        return FALSE;
    }
}

void CQTreeCtrl::ForgetRows(HTREEITEM row)
{
    if (m_hWnd == nullptr)
        return;
    const BOOL all = row == nullptr || row == TVI_ROOT;
    if (all)
    {
        ForgetClickedRow();
        m_setExpandWhenShown.clear();
    }
    else
    {
        for (HTREEITEM up = m_hClickedItem; up != nullptr; up = GetNextRow(up, TVGN_PARENT))
        {
            if (up == row)
            {
                ForgetClickedRow();
                break;
            }
        }
    }

    std::vector<CQTreeItem*> pending;
    auto addRow = [&](HTREEITEM handle)
    {
        if (CQTreeItem* item = ItemOfRow(handle))
            pending.push_back(item);
    };
    if (all)
    {
        for (HTREEITEM top = GetNextRow(nullptr, TVGN_ROOT); top != nullptr; top = GetNextRow(top, TVGN_NEXT))
            addRow(top);
    }
    else
        addRow(row);

    // Rows exist only below rows, so the walk follows the items that have one.
    CQTreeDataLock lock;
    while (!pending.empty())
    {
        CQTreeItem* item = pending.back();
        pending.pop_back();
        if (item->m_row.GetHandle() == nullptr || item->m_row.GetHandle() == TVI_ROOT)
            continue;
        item->m_row.SetHandle(nullptr);
        const int count = item->m_arrChildren.GetSize();
        for (int i = 0; i < count; ++i)
        {
            CQTreeItem* child = item->m_arrChildren[i];
            if (child != nullptr && child->m_row.GetHandle() != nullptr)
                pending.push_back(child);
        }
    }
}
