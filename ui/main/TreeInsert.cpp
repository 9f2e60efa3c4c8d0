// Rows of the files tree view: inserting the row of an item, populating a row's children when it is first
// expanded, and taking the items that the processing thread hands over.
#include <cwchar>
#include <optional>
#include <vector>

#include "app/AppContext.h"
#include "data/NameCompare.h"
#include "data/TreeItem.h"
#include "ui/main/TreeCtrl.h"
#include "ui/main/TreeDataLock.h"

namespace
{
const ULONGLONG kMaxBatchPause = 1000;
// Rows inserted in one batch at most: a burst of new items must not keep the user-interface thread (and,
// through the data lock, the processing thread) busy for seconds; the rest follow in the next batches.
const size_t kMaxBatchItems = 256;
// Inserting in one batch goes on in chunks of the size above for about this long.
const ULONGLONG kMaxInsertingMs = 200;

// Window updates of the view are off for the life of the object (the view then skips its layout work);
// turned back on, the view lays out and repaints once.
class CQTreeRedrawOff
{
public:
    explicit CQTreeRedrawOff(HWND tree) : m_hWnd(tree)
    {
        // WM_SETREDRAW also sets the visible style when turned back on: a hidden view is left alone.
        if ((::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE) == 0)
            m_hWnd = nullptr;
        if (m_hWnd != nullptr)
            ::SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    }
    ~CQTreeRedrawOff()
    {
        if (m_hWnd == nullptr)
            return;
        ::SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    CQTreeRedrawOff(const CQTreeRedrawOff&) = delete;
    CQTreeRedrawOff& operator=(const CQTreeRedrawOff&) = delete;

private:
    HWND m_hWnd;
};
} // namespace

BOOL CQTreeCtrl::ShouldAutoExpand() const
{
    return g_pAppContext != nullptr && g_pAppContext->m_settingsInterface.m_boolAutoExpandFolders == 1 &&
           g_pAppContext->m_boolInitializing == 0;
}

BOOL CQTreeCtrl::HasChildRows(HTREEITEM row) const
{
    return GetNextRow(row, TVGN_CHILD) != nullptr;
}

BOOL CQTreeCtrl::InsertItem(CQTreeItem* item)
{
    CQTreeDataLock lock;
    return InsertItemLocked(item);
}

HTREEITEM CQTreeCtrl::InsertRow(CQTreeItem* item, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(item);
    HTREEITEM row = reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (row != nullptr)
        item->m_row.SetHandle(row);
    return row;
}

HTREEITEM CQTreeCtrl::FindTopLevelPosition(const CQTreeItem* item) const
{
    // The drives stay in case-insensitive name order; an equal name goes after the rows it equals. The
    // labels are callbacks, so the view could only sort by the whole label text.
    HTREEITEM after = TVI_FIRST;
    for (HTREEITEM row = GetNextRow(nullptr, TVGN_ROOT); row != nullptr; row = GetNextRow(row, TVGN_NEXT))
    {
        const CQTreeItem* other = ItemOfRow(row);
        if (other != nullptr && CompareNamesNoCase(other->m_csName, item->m_csName) > 0)
            break;
        after = row;
    }
    return after;
}

BOOL CQTreeCtrl::InsertItemLocked(CQTreeItem* item)
{
    if (item == nullptr || m_hWnd == nullptr)
        return FALSE;
    // A row made by a populate that overtook the hand-over of the item.
    if (item->m_row.GetHandle() != nullptr)
        return TRUE;

    CQTreeItem* parent = item->m_pParent;
    const HTREEITEM parentRow = parent != nullptr ? parent->m_row.GetHandle() : TVI_ROOT;
    if (parentRow == TVI_ROOT)
    {
        HTREEITEM row = InsertRow(item, TVI_ROOT, FindTopLevelPosition(item));
        if (row == nullptr)
            return FALSE;
        if (m_setExpandWhenShown.erase(item) != 0)
            ExpandRow(item);
        return TRUE;
    }

    const BOOL autoExpand = ShouldAutoExpand();
    if (parentRow == nullptr)
    {
        // No row for the parent yet: the item's row comes when the parent's row is populated, and the
        // parent is to open as it would have opened for this child.
        if (autoExpand)
            m_setExpandWhenShown.insert(parent);
        return TRUE;
    }
    if (!HasChildRows(parentRow))
    {
        // The parent's children get their rows, this one among them, when the parent is first expanded.
        if (autoExpand)
            ExpandRow(parent);
        return TRUE;
    }

    // Newest first until the parent is sorted.
    HTREEITEM row = InsertRow(item, parentRow, TVI_FIRST);
    if (row == nullptr)
        return FALSE;
    if (m_setExpandWhenShown.erase(item) != 0)
        ExpandRow(item);
    if (autoExpand)
        ExpandRow(parent);
    return TRUE;
}

BOOL CQTreeCtrl::Populate(CQTreeItem* item)
{
    if (item == nullptr || m_hWnd == nullptr)
        return FALSE;
    const HTREEITEM row = item->m_row.GetHandle();
    if (row == nullptr || row == TVI_ROOT)
        return FALSE;
    if (HasChildRows(row))
        return TRUE;

    // In creation order, each first: the same rows in the same order as inserting them one by one.
    std::vector<CQTreeItem*> expand;
    const int count = item->m_arrChildren.GetSize();
    for (int i = 0; i < count; ++i)
    {
        CQTreeItem* child = item->m_arrChildren[i];
        if (child == nullptr || child->m_row.GetHandle() != nullptr)
            continue;
        if (InsertRow(child, row, TVI_FIRST) == nullptr)
            continue;
        if (!m_setExpandWhenShown.empty() && m_setExpandWhenShown.erase(child) != 0)
            expand.push_back(child);
    }
    for (CQTreeItem* child : expand)
        ExpandRow(child);
    return HasChildRows(row);
}

void CQTreeCtrl::ExpandRow(CQTreeItem* item)
{
    if (item == nullptr || item->m_row.GetHandle() == nullptr || item->m_row.GetHandle() == TVI_ROOT)
        return;
    // The view may skip the expanding notification for a programmatic expansion, so the rows are made here.
    Populate(item);
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item->m_row.GetHandle()));
}

void CQTreeCtrl::OnItemExpanding(const NMTREEVIEWW* info)
{
    if ((info->action & (TVE_COLLAPSE | TVE_EXPAND)) != TVE_EXPAND || info->itemNew.hItem == nullptr)
        return;
    CQTreeDataLock lock;
    CQTreeItem* item = reinterpret_cast<CQTreeItem*>(info->itemNew.lParam);
    if (item == nullptr)
        item = ItemOfRow(info->itemNew.hItem);
    if (item != nullptr && item->m_row.GetHandle() == info->itemNew.hItem)
        Populate(item);
}

void CQTreeCtrl::FillFromRoot(CQTreeItem* root)
{
    if (root == nullptr || m_hWnd == nullptr)
        return;
    // Inserting every item one by one would have opened every row that got a child. Opening them all
    // measures many rows: the view does it once, after the lock is released.
    std::optional<CQTreeRedrawOff> redrawOff;
    if (ShouldAutoExpand())
        redrawOff.emplace(m_hWnd);
    CQTreeDataLock lock;
    const int count = root->m_arrChildren.GetSize();
    for (int i = 0; i < count; ++i)
        InsertItemLocked(root->m_arrChildren[i]);
    if (!redrawOff)
        return;

    // Parents before children.
    std::vector<CQTreeItem*> pending;
    for (int i = count - 1; i >= 0; --i)
        pending.push_back(root->m_arrChildren[i]);
    while (!pending.empty())
    {
        CQTreeItem* item = pending.back();
        pending.pop_back();
        if (item == nullptr || item->m_arrChildren.GetSize() == 0)
            continue;
        ExpandRow(item);
        for (int i = item->m_arrChildren.GetSize() - 1; i >= 0; --i)
            pending.push_back(item->m_arrChildren[i]);
    }
}

void CQTreeCtrl::OnItemsHandedOver()
{
    const ULONGLONG now = ::GetTickCount64();
    if (now >= m_qwordNextBatchTick)
    {
        TakeHandedOverItems();
        return;
    }
    // The items wait in the hand-over, which posts nothing more until they are taken.
    if (!m_boolBatchTimer)
        m_boolBatchTimer =
            ::SetTimer(m_hWnd, kBatchTimer, static_cast<UINT>(m_qwordNextBatchTick - now), nullptr) != 0;
    if (!m_boolBatchTimer)
        TakeHandedOverItems();
}

void CQTreeCtrl::TakeHandedOverItems()
{
    if (g_pAppContext == nullptr || m_hWnd == nullptr)
        return;
    const ULONGLONG start = ::GetTickCount64();
    {
        // Declared outside the chunks' locks: the view lays out its open rows again after the last lock is
        // released, so the processing thread is not kept waiting meanwhile.
        std::optional<CQTreeRedrawOff> redrawOff;
        std::vector<CQTreeItem*> items;
        // Turning redrawing back on lays out every open row again, which costs seconds under a folder of
        // 100,000 open rows: further chunks join the batch while the inserting itself stays short.
        do
        {
            // Taken under the data lock, so that no item in the chunk can have been deleted by a clear; the
            // lock is let go between chunks for the processing thread.
            CQTreeDataLock lock;
            g_pAppContext->m_itemHandOver.TakePending(items, kMaxBatchItems);
            if (items.empty())
                break;
            // One layout of the open rows for the whole batch instead of one per row.
            if (!redrawOff)
                redrawOff.emplace(m_hWnd);
            for (CQTreeItem* item : items)
                InsertItemLocked(item);
        } while (items.size() == kMaxBatchItems && ::GetTickCount64() - start < kMaxInsertingMs);
        if (!redrawOff)
            return;
    }
    // The next batch waits as long as this one took (at most a second), so that the user-interface thread
    // spends at most about half its time inserting rows.
    const ULONGLONG end = ::GetTickCount64();
    const ULONGLONG cost = end - start;
    m_qwordNextBatchTick = end + (cost < kMaxBatchPause ? cost : kMaxBatchPause);
}
