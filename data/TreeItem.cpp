#include "data/TreeItem.h"

#include <new>
#include <stdexcept>

#include "data/Process.h"
#include "data/TreeArena.h"
#include "data/TreeItemFile.h"
#include "data/TreeItemFolder.h"
#include "stats/Format.h"

CQTreeItem::~CQTreeItem()
{
    DestroyChildren();
}

void CQTreeItem::DestroyChildren()
{
    if (m_arrChildren.GetSize() == 0)
        return;
    // Children before their parent, so that an item whose subtree is gone has nothing left to destroy when
    // its own destructor runs. The stack holds the next child to visit at every level.
    struct Frame
    {
        CQTreeItem* item;
        int next;
    };
    std::vector<Frame> stack;
    stack.push_back({this, 0});
    while (!stack.empty())
    {
        Frame& top = stack.back();
        CQTreeItem* item = top.item;
        if (top.next < item->m_arrChildren.GetSize())
        {
            CQTreeItem* child = item->m_arrChildren[top.next++];
            if (child == nullptr)
                continue;
            if (child->m_arrChildren.GetSize() > 0)
                stack.push_back({child, 0});
            else
                DestroyTreeItem(child);
            continue;
        }
        item->m_arrChildren.Forget();
        stack.pop_back();
        if (item != this)
            DestroyTreeItem(item);
    }
}

void DestroyTreeItem(CQTreeItem* item)
{
    if (item != nullptr)
        item->~CQTreeItem();
}

CQTreeItem* NewTreeItem(bool isFolder, CQTreeArena& arena)
{
    if (isFolder)
        return new (arena.Allocate(sizeof(CQTreeItemFolder), alignof(CQTreeItemFolder))) CQTreeItemFolder;
    return new (arena.Allocate(sizeof(CQTreeItemFile), alignof(CQTreeItemFile))) CQTreeItemFile;
}

CQTreeArena& CQTreeItem::GetTreeArena()
{
    CQTreeItem* top = this;
    while (top->m_pParent != nullptr)
        top = top->m_pParent;
    // Type 1 is CQTreeItemFolder: the tree holds only files and folders.
    if (top->GetType() != 1)
        throw std::logic_error("a tree item outside a folder's tree");
    return static_cast<CQTreeItemFolder*>(top)->ProvideArena();
}

void CQTreeItem::RemoveAllChildren()
{
    // Children go first to last, each with its subtree; storage of the array is kept for the next ones.
    DestroyChildren();
}

void CQTreeItem::AddWrite(uint64_t size, const CQProcess* process)
{
    m_qwordWritten += size;
    m_qwordWrittenAligned += AlignSize(size);
    if (process != nullptr)
        AddProcessWrite(process, size);
    m_qwordWrittenWithSubitems += size;
    m_row.Invalidate();
    if (m_pParent != nullptr)
        m_pParent->AddWrittenToAncestors(size);
}

void CQTreeItem::AddWrittenToAncestors(uint64_t size)
{
    for (CQTreeItem* item = this; item != nullptr; item = item->m_pParent)
    {
        item->m_qwordWrittenWithSubitems += size;
        item->m_row.Invalidate();
    }
}

void CQTreeItem::AddProcessWrite(const CQProcess* process, uint64_t size)
{
    const uint32_t index = process->m_dwordIndex;
    CQProcessLink* link = m_arrProcessLinks.Find(index);
    if (link == nullptr)
        link = &m_arrProcessLinks.Append(CQProcessLink{0, index}, GetTreeArena());
    link->m_qwordWritten += size;
}

uint64_t CQTreeItem::SumWritten() const
{
    uint64_t sum = m_qwordWritten;
    if (m_arrChildren.GetSize() == 0)
        return sum;
    // Explicit stack instead of recursion; the order of the additions does not matter for the sum.
    std::vector<const CQTreeItem*> pending;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i)
        pending.push_back(m_arrChildren[i]);
    while (!pending.empty())
    {
        const CQTreeItem* item = pending.back();
        pending.pop_back();
        if (item == nullptr)
            continue;
        sum += item->m_qwordWritten;
        for (int i = 0; i < item->m_arrChildren.GetSize(); ++i)
            pending.push_back(item->m_arrChildren[i]);
    }
    return sum;
}

namespace
{
void AddLinkToTotals(CQPtrAutoArray<CQProcessLink>& totals, const CQProcessLink& link)
{
    const int count = totals.GetSize();
    for (int i = 0; i < count; ++i)
    {
        if (totals[i]->m_dwordProcessIndex == link.m_dwordProcessIndex)
        {
            totals[i]->m_qwordWritten += link.m_qwordWritten;
            return;
        }
    }
    CQProcessLink* total = new CQProcessLink;
    total->m_dwordProcessIndex = link.m_dwordProcessIndex;
    total->m_qwordWritten = link.m_qwordWritten;
    totals.Add(total);
}

void AddOwnLinksToTotals(const CQTreeItem& item, CQPtrAutoArray<CQProcessLink>& totals)
{
    for (int i = 0; i < item.m_arrProcessLinks.GetSize(); ++i)
        AddLinkToTotals(totals, *item.m_arrProcessLinks[i]);
}
} // namespace

void CQTreeItem::CollectProcessTotals(CQPtrAutoArray<CQProcessLink>& totals, BOOL withSubitems) const
{
    AddOwnLinksToTotals(*this, totals);
    if (!withSubitems)
        return;
    // Depth first, each item before its children, children in order: the stack holds the next child
    // to visit at every level.
    struct Level
    {
        const CQTreeItem* item;
        int next;
    };
    std::vector<Level> stack;
    stack.push_back({this, 0});
    while (!stack.empty())
    {
        Level& level = stack.back();
        if (level.next >= level.item->m_arrChildren.GetSize())
        {
            stack.pop_back();
            continue;
        }
        const CQTreeItem* child = level.item->m_arrChildren[level.next++];
        if (child == nullptr)
            continue;
        AddOwnLinksToTotals(*child, totals);
        if (child->m_arrChildren.GetSize() > 0)
            stack.push_back({child, 0});
    }
}

BOOL CQTreeItem::GetDispInfo(TVITEMW* item)
{
    if (item->mask & TVIF_IMAGE)
        item->iImage = GetImage();
    if (item->mask & TVIF_SELECTEDIMAGE)
        item->iSelectedImage = GetImage();
    if (item->mask & TVIF_CHILDREN)
        item->cChildren = m_arrChildren.GetSize();
    if (item->mask & TVIF_TEXT)
    {
        if (!m_row.IsLabelCurrent())
            BuildDisplayText();
        // The tree view only reads the text; the pointer type is the record's.
        item->pszText = const_cast<LPWSTR>(m_row.GetLabel());
    }
    return 1;
}

void CQTreeItem::BuildDisplayText()
{
    std::wstring size;
    FormatSize(m_qwordWrittenWithSubitems, size);
    std::wstring text;
    text.reserve(m_csName.length() + size.size() + 5);
    m_csName.AppendTo(text);
    text += L" ( ";
    text += size;
    text += L" )";
    m_row.SetLabel(text.data(), text.size());
}

void CQTreeItem::AppendAncestorsPath(std::wstring& text) const
{
    // Walked upwards, appended downwards; each ancestor adds its part as its own AppendFullPath would.
    std::vector<const CQTreeItem*> chain;
    for (const CQTreeItem* item = m_pParent; item != nullptr; item = item->m_pParent)
        chain.push_back(item);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    {
        (*it)->m_csName.AppendTo(text);
        if ((*it)->GetType() == 1)
            AppendFolderSeparator(text);
    }
}

void CQTreeItem::AppendFolderSeparator(std::wstring& text)
{
    if (text.size() > 1 && text.back() != L'\\')
        text += L'\\';
}
