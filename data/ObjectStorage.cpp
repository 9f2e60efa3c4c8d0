// Reading and writing the collected data's objects in the saved data file. Every field is its own Read or
// Write call on the file, which buffers them; the tree is walked with an explicit stack so that a deeply
// nested tree, saved or loaded from a damaged file, cannot exhaust the thread's stack.
#include <string>
#include <vector>

#include "app/Log.h"
#include "data/File.h"
#include "data/Object.h"
#include "data/Process.h"
#include "data/TreeItem.h"
#include "data/TreeItemFile.h"
#include "data/TreeItemFolder.h"

namespace
{
// Nothing real nests this deep (a path of 32767 characters holds at most 16383 components); the bound
// keeps a damaged file from building a tree that the recursive walks elsewhere could not handle.
const size_t kMaxLoadDepth = 16384;

BOOL WriteCounted(CQFile& file, const wchar_t* text, size_t length, DWORD limit)
{
    if (limit != 0 && length > limit)
        length = limit;
    const DWORD bytes = static_cast<DWORD>(length * sizeof(wchar_t));
    if (!file.Write(&bytes, sizeof(bytes)))
        return 0;
    return bytes == 0 ? 1 : file.Write(text, bytes);
}

// Capacity of the scratch buffer, in characters, that is kept from one name to the next.
const size_t kKeptScratchCapacity = 32768;

// Reads through one buffer per thread, so loading a large tree does not allocate a string per name twice.
BOOL ReadCounted(CQFile& file, CQCompactString& text, DWORD limit)
{
    thread_local std::wstring scratch;
    const BOOL ok = file.ReadString(scratch, limit);
    text.Assign(scratch.data(), scratch.size());
    // A huge name (a damaged file can claim one) must not keep its memory for the rest of the run.
    if (scratch.capacity() > kKeptScratchCapacity)
        std::wstring().swap(scratch);
    return ok;
}

// Everything of an item's record but its children: version, name, counters, links, child count.
BOOL SaveItemHeader(const CQTreeItem& item, CQFile& file)
{
    if (!const_cast<CQTreeItem&>(item).CQObject::Save(file))
        return 0;
    if (!file.Write(&item.m_qwordWrittenWithSubitems, 24))
        return 0;
    const DWORD links = static_cast<DWORD>(item.m_arrProcessLinks.GetSize());
    if (!file.Write(&links, sizeof(links)))
        return 0;
    for (DWORD i = 0; i < links; ++i)
    {
        if (!file.Write(item.m_arrProcessLinks[static_cast<int>(i)], sizeof(CQProcessLink)))
            return 0;
    }
    const DWORD children = static_cast<DWORD>(item.m_arrChildren.GetSize());
    return file.Write(&children, sizeof(children));
}

BOOL LoadItemHeader(CQTreeItem& item, CQFile& file, DWORD& children)
{
    if (!item.CQObject::Load(file))
        return 0;
    if (!file.Read(&item.m_qwordWrittenWithSubitems, 24))
        return 0;
    DWORD links = 0;
    if (!file.Read(&links, sizeof(links)))
        return 0;
    // Links are read one by one, so an absurd count ends at the end of the file, not in an allocation.
    for (DWORD i = 0; i < links; ++i)
    {
        CQProcessLink* link = new CQProcessLink{};
        if (!file.Read(link, sizeof(CQProcessLink)))
        {
            delete link;
            return 0;
        }
        item.m_arrProcessLinks.Add(link);
    }
    return file.Read(&children, sizeof(children));
}

} // namespace

BOOL CQObject::Save(CQFile& file)
{
    const DWORD version = GetVersion();
    if (!file.Write(&version, sizeof(version)))
        return 0;
    return WriteCounted(file, m_csName.c_str(), m_csName.length(), GetNameMaxLength());
}

BOOL CQObject::Load(CQFile& file)
{
    DWORD version = 0;
    if (!file.Read(&version, sizeof(version)))
        return 0;
    SetVersion(version);
    return ReadCounted(file, m_csName, GetNameMaxLength());
}

BOOL CQObject::SaveTwoStrings(CQFile& file)
{
    if (!CQObject::Save(file))
        return 0;
    return WriteCounted(file, m_csDisplayText.c_str(), m_csDisplayText.length(), GetTextMaxLength());
}

BOOL CQObject::LoadTwoStrings(CQFile& file)
{
    if (!CQObject::Load(file))
        return 0;
    return ReadCounted(file, m_csDisplayText, GetTextMaxLength());
}

BOOL CQTreeItem::Save(CQFile& file)
{
    struct Frame
    {
        const CQTreeItem* item;
        int next;
    };
    if (!SaveItemHeader(*this, file))
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
        const DWORD type = child->GetType();
        if (!file.Write(&type, sizeof(type)) || !SaveItemHeader(*child, file))
            return 0;
        stack.push_back({child, 0});
    }
    return 1;
}

// Loads into this (empty) item. On a failure everything whose own record was read completely stays in the
// tree, with the children read so far; only the record that failed is dropped.
BOOL CQTreeItem::Load(CQFile& file)
{
    struct Frame
    {
        CQTreeItem* item;
        DWORD remaining;
    };
    DWORD children = 0;
    if (!LoadItemHeader(*this, file, children))
        return 0;
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

        DWORD type = 0;
        if (!file.Read(&type, sizeof(type)))
            return 0;
        CQTreeItem* child = nullptr;
        if (type == 0)
            child = new CQTreeItemFile;
        else if (type == 1)
            child = new CQTreeItemFolder;
        else
            return 0;
        if (!LoadItemHeader(*child, file, children))
        {
            delete child;
            return 0;
        }
        if (stack.size() >= kMaxLoadDepth)
        {
            delete child;
            LogLine(L"Saved data is nested too deeply; the rest of the tree is not loaded.");
            return 0;
        }
        child->m_pParent = parent;
        parent->m_arrChildren.Add(child);
        stack.push_back({child, children});
    }
    return 1;
}

BOOL CQProcess::Load(CQFile& file)
{
    if (!file.Read(&m_qwordWritten, 12))
        return 0;
    return file.ReadString(m_csProcessName, 260);
}
