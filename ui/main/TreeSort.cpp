// Sorting the children of an expanded row: by written size (folders first, larger first) or by name.
#include <cwchar>

#include "app/AppContext.h"
#include "data/NameCompare.h"
#include "data/TreeItem.h"
#include "ui/main/TreeCtrl.h"
#include "ui/main/TreeDataLock.h"

namespace
{
const uint64_t kFolderBit = uint64_t(1) << 63;

// Bytes written to the item and below it; folders get the top bit so that they come before files.
uint64_t SizeSortKey(const CQTreeItem& item)
{
    uint64_t key = item.m_qwordWritten;
    const int count = item.m_arrChildren.GetSize();
    for (int i = 0; i < count; ++i)
    {
        if (const CQTreeItem* child = item.m_arrChildren[i])
            key += child->SumWritten();
    }
    if (item.GetType() == 1)
        key |= kFolderBit;
    return key;
}

BOOL SortBySizeSetting()
{
    return g_pAppContext != nullptr ? g_pAppContext->m_settingsInterface.m_boolSortTreeByWriteSize : TRUE;
}
} // namespace

void CQTreeCtrl::OnItemExpanded(const NMTREEVIEWW* info)
{
    if (info == nullptr || (info->action & (TVE_COLLAPSE | TVE_EXPAND)) != TVE_EXPAND)
        return;
    SortChildren(info->itemNew.hItem);
}

void CQTreeCtrl::SortChildren(HTREEITEM row)
{
    if (m_hWnd == nullptr || row == nullptr)
        return;
    // The comparison reads counters and child arrays that the processing thread changes.
    CQTreeDataLock lock;
    m_boolSortBySize = SortBySizeSetting();
    CQTreeItem* parent = ItemOfRow(row);
    if (parent == nullptr)
        return;
    if (m_boolSortBySize)
    {
        // Each key walks the item's subtree: worked out once per row rather than once per comparison. The
        // children with rows are found through the items, which is much cheaper than asking the view.
        m_mapSortKeys.clear();
        const int count = parent->m_arrChildren.GetSize();
        for (int i = 0; i < count; ++i)
        {
            const CQTreeItem* child = parent->m_arrChildren[i];
            if (child != nullptr && child->m_row.GetHandle() != nullptr)
                m_mapSortKeys.emplace(child, SizeSortKey(*child));
        }
    }
    TVSORTCB sort = {};
    sort.hParent = row;
    sort.lpfnCompare = CompareItems;
    sort.lParam = reinterpret_cast<LPARAM>(this);
    Send(TVM_SORTCHILDRENCB, FALSE, reinterpret_cast<LPARAM>(&sort));
    m_mapSortKeys.clear();
}

int CALLBACK CQTreeCtrl::CompareItems(LPARAM first, LPARAM second, LPARAM control)
{
    const CQTreeCtrl* self = reinterpret_cast<const CQTreeCtrl*>(control);
    const CQTreeItem* a = reinterpret_cast<const CQTreeItem*>(first);
    const CQTreeItem* b = reinterpret_cast<const CQTreeItem*>(second);
    if (a == nullptr || b == nullptr)
        return a == b ? 0 : (a == nullptr ? 1 : -1);
    if (self->m_boolSortBySize)
    {
        auto keyOf = [self](const CQTreeItem* item)
        {
            auto found = self->m_mapSortKeys.find(item);
            return found != self->m_mapSortKeys.end() ? found->second : SizeSortKey(*item);
        };
        const uint64_t keyA = keyOf(a);
        const uint64_t keyB = keyOf(b);
        if (keyA > keyB)
            return -1;
        return keyA < keyB ? 1 : 0;
    }
    return CompareNamesNoCase(a->m_csName, b->m_csName);
}
