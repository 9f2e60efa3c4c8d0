#include "data/TreeItem.h"

#include "data/NameCompare.h"
#include "data/Process.h"
#include "stats/Format.h"

CQTreeItem::~CQTreeItem()
{
    m_arrProcessLinks.RemoveAll();
    DeleteSubtree();
}

void CQTreeItem::DeleteSubtree()
{
    // Items waiting to be deleted; each gives up its own children to the list before it goes, so every
    // destructor that runs finds no children and nothing recurses.
    std::vector<CQTreeItem*> pending;
    const int count = m_arrChildren.GetSize();
    if (count == 0)
        return;
    pending.reserve(static_cast<size_t>(count));
    for (int i = count - 1; i >= 0; --i)
        pending.push_back(m_arrChildren[i]);
    m_arrChildren.SetSize(0);
    while (!pending.empty())
    {
        CQTreeItem* item = pending.back();
        pending.pop_back();
        if (item == nullptr)
            continue;
        for (int i = item->m_arrChildren.GetSize() - 1; i >= 0; --i)
            pending.push_back(item->m_arrChildren[i]);
        // Emptied without deleting: the children are now in the list.
        item->m_arrChildren.SetSize(0);
        delete item;
    }
}

void CQTreeItem::RemoveAllChildren()
{
    // Children go first to last, each with its subtree; storage of the array is kept for the next ones.
    const int count = m_arrChildren.GetSize();
    for (int i = 0; i < count; ++i)
    {
        CQTreeItem* child = m_arrChildren[i];
        m_arrChildren[i] = nullptr;
        if (child == nullptr)
            continue;
        child->DeleteSubtree();
        delete child;
    }
    m_arrChildren.RemoveAll();
}

void CQTreeItem::AddWrite(uint64_t size, const CQProcess* process)
{
    m_qwordWritten += size;
    m_qwordWrittenAligned += AlignSize(size);
    if (process != nullptr)
        AddProcessWrite(process, size);
    m_qwordWrittenWithSubitems += size;
    m_boolDisplayTextValid = 0;
    if (m_pParent != nullptr)
        m_pParent->AddWrittenToAncestors(size);
}

void CQTreeItem::AddWrittenToAncestors(uint64_t size)
{
    for (CQTreeItem* item = this; item != nullptr; item = item->m_pParent)
    {
        item->m_qwordWrittenWithSubitems += size;
        item->m_boolDisplayTextValid = 0;
    }
}

void CQTreeItem::AddProcessWrite(const CQProcess* process, uint64_t size)
{
    const uint32_t index = process->m_dwordIndex;
    CQProcessLink* link = nullptr;
    const int count = m_arrProcessLinks.GetSize();
    for (int i = 0; i < count; ++i)
    {
        if (m_arrProcessLinks[i]->m_dwordProcessIndex == index)
        {
            link = m_arrProcessLinks[i];
            break;
        }
    }
    if (link == nullptr)
    {
        link = new CQProcessLink;
        link->m_dwordProcessIndex = index;
        m_arrProcessLinks.Add(link);
    }
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
    {
        if (const CQProcessLink* link = item.m_arrProcessLinks[i])
            AddLinkToTotals(totals, *link);
    }
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
        if (!m_boolDisplayTextValid)
            BuildDisplayText();
        // The tree view only reads the text; the pointer type is the record's.
        item->pszText = const_cast<LPWSTR>(m_csDisplayText.c_str());
    }
    return 1;
}

void CQTreeItem::BuildDisplayText()
{
    std::wstring size;
    FormatSize(m_qwordWrittenWithSubitems, size);
    std::wstring text;
    text.reserve(m_csName.length() + size.size() + 5);
    text.append(m_csName.c_str(), m_csName.length());
    text += L" ( ";
    text += size;
    text += L" )";
    m_csDisplayText = text;
    m_boolDisplayTextValid = 1;
}

uint32_t CQTreeItem::ComputeNameHash() const
{
    return HashNameNoCase(m_csName.c_str(), m_csName.length());
}

void CQTreeItem::AppendAncestorsPath(std::wstring& text) const
{
    // Walked upwards, appended downwards; each ancestor adds its part as its own AppendFullPath would.
    std::vector<const CQTreeItem*> chain;
    for (const CQTreeItem* item = m_pParent; item != nullptr; item = item->m_pParent)
        chain.push_back(item);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    {
        text.append((*it)->m_csName.c_str(), (*it)->m_csName.length());
        if ((*it)->GetType() == 1)
            AppendFolderSeparator(text);
    }
}

void CQTreeItem::AppendFolderSeparator(std::wstring& text)
{
    if (text.size() > 1 && text.back() != L'\\')
        text += L'\\';
}
