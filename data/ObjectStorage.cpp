// Reading and writing the collected data's objects in the saved data file, through the file's streams
// (data/TreeStream.h). The tree is walked with an explicit stack so that a deeply nested tree,
// saved or loaded from a damaged file, cannot exhaust the thread's stack.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/Log.h"
#include "data/NameCompare.h"
#include "data/Object.h"
#include "data/Process.h"
#include "data/TreeArena.h"
#include "data/TreeItem.h"
#include "data/TreeStream.h"

namespace
{
// Nothing real nests this deep (a path of 32767 characters holds at most 16383 components); the bound
// keeps a damaged file from building a tree that the recursive walks elsewhere could not handle.
const size_t kMaxLoadDepth = 16384;
// Room made at once for a record's announced children or links: a count that the file does not back
// must not cost memory, so beyond this the arrays grow with what is really read.
const uint32_t kReserveAtOnce = 16;

// Everything of an item's record but its children: version, name, counters, links, child count.
BOOL SaveItemHeader(const CQTreeItem& item, CQTreeWriter& writer)
{
    CQTreeItem& object = const_cast<CQTreeItem&>(item);
    size_t units = item.m_csName.length();
    const DWORD limit = object.GetNameMaxLength();
    if (limit != 0 && units > limit)
        units = limit;
    if (!writer.WriteU32(object.GetVersion()) || !writer.WriteU32(static_cast<uint32_t>(units * 2)) ||
        !writer.WriteName(item.m_csName, units) || !writer.Write(&item.m_qwordWrittenWithSubitems, 24))
        return 0;
    const int links = item.m_arrProcessLinks.GetSize();
    if (!writer.WriteU32(static_cast<uint32_t>(links)))
        return 0;
    if (links != 0 && !writer.Write(item.m_arrProcessLinks.GetData(), sizeof(CQProcessLink) * size_t(links)))
        return 0;
    return writer.WriteU32(static_cast<uint32_t>(item.m_arrChildren.GetSize()));
}

// Reads an item's record but its children into item, its name and links into arena.
BOOL LoadItemHeader(CQTreeItem& item, CQTreeReader& reader, CQTreeArena& arena, uint32_t& children)
{
    uint32_t version = 0;
    if (!reader.ReadU32(version))
        return 0;
    item.SetVersion(version);
    uint32_t nameBytes = 0;
    if (!reader.ReadU32(nameBytes))
        return 0;
    const DWORD limit = item.GetNameMaxLength();
    if (limit != 0 && nameBytes / 2 > limit)
        return 0;
    if (!reader.ReadName(item.m_csName, nameBytes, arena))
        return 0;
    uint64_t counters[3];
    if (!reader.Read(counters, sizeof(counters)))
        return 0;
    std::memcpy(&item.m_qwordWrittenWithSubitems, counters, sizeof(counters));
    uint32_t links = 0;
    if (!reader.ReadU32(links))
        return 0;
    // Links are read one by one, so an absurd count ends at the end of the file, not in an allocation.
    item.m_arrProcessLinks.Reserve(std::min(links, kReserveAtOnce), arena);
    for (uint32_t i = 0; i < links; ++i)
    {
        CQProcessLink link;
        if (!reader.Read(&link, sizeof(link)))
            return 0;
        item.m_arrProcessLinks.Append(link, arena);
    }
    return reader.ReadU32(children);
}

} // namespace

BOOL CQTreeItem::Save(CQTreeWriter& writer) const
{
    struct Frame
    {
        const CQTreeItem* item;
        int next;
    };
    if (!SaveItemHeader(*this, writer))
        return 0;
    std::vector<Frame> stack;
    stack.push_back({this, 0});
    while (!stack.empty())
    {
        Frame& top = stack.back();
        if (top.next >= top.item->m_arrChildren.GetSize())
        {
            stack.pop_back();
            continue;
        }
        const CQTreeItem* child = top.item->m_arrChildren[top.next++];
        if (!writer.WriteU32(child->GetType()) || !SaveItemHeader(*child, writer))
            return 0;
        stack.push_back({child, 0});
    }
    return 1;
}

// Loads into this (empty) item. On a failure everything whose own record was read completely stays in the
// tree, with the children read so far; only the record that failed is dropped.
BOOL CQTreeItem::Load(CQTreeReader& reader)
{
    struct Frame
    {
        CQTreeItem* item;
        uint32_t remaining;
    };
    CQTreeArena& arena = GetTreeArena();
    uint32_t children = 0;
    if (!LoadItemHeader(*this, reader, arena, children))
        return 0;
    m_arrChildren.Reserve(m_arrChildren.GetSize() + std::min<uint32_t>(children, kReserveAtOnce), arena);
    std::vector<Frame> stack;
    stack.push_back({this, children});
    while (!stack.empty())
    {
        Frame& top = stack.back();
        if (top.remaining == 0)
        {
            stack.pop_back();
            continue;
        }
        --top.remaining;
        CQTreeItem* parent = top.item;

        uint32_t type = 0;
        if (!reader.ReadU32(type))
            return 0;
        if (type != 0 && type != 1)
            return 0;
        CQTreeItem* child = NewTreeItem(type == 1, arena);
        if (!LoadItemHeader(*child, reader, arena, children))
        {
            DestroyTreeItem(child);
            return 0;
        }
        if (stack.size() >= kMaxLoadDepth)
        {
            DestroyTreeItem(child);
            LogLine(L"Saved data is nested too deeply; the rest of the tree is not loaded.");
            return 0;
        }
        child->m_pParent = parent;
        parent->m_arrChildren.Append(child, CQChildArray::TagOf(HashNameNoCase(child->m_csName)), arena);
        child->m_arrChildren.Reserve(std::min<uint32_t>(children, kReserveAtOnce), arena);
        stack.push_back({child, children});
    }
    return 1;
}

BOOL CQProcess::Load(CQTreeReader& reader)
{
    return reader.Read(&m_qwordWritten, 12) && reader.ReadText(m_csProcessName, 260);
}
