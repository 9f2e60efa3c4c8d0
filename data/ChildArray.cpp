#include "data/ChildArray.h"

#include <cstring>

#include "data/NameCompare.h"
#include "data/TreeItem.h"

CQChildArray::~CQChildArray()
{
    RemoveAll();
    ReleaseStorage();
}

int CQChildArray::Add(CQTreeItem* child)
{
    const uint8_t tag = child != nullptr ? TagOf(HashNameNoCase(child->m_csName)) : 0;
    // Storage from the heap: who adds from outside the tree does not know its arena.
    if (m_pBlock == nullptr || uint32_t(m_pBlock->count) == Capacity())
        Grow(TreeBlock::NextCapacity(Capacity()), nullptr);
    const int index = m_pBlock->count;
    Append(child, tag, nullptr);
    return index;
}

void CQChildArray::Append(CQTreeItem* child, uint8_t tag, CQTreeArena* arena)
{
    if (m_pBlock == nullptr || uint32_t(m_pBlock->count) == Capacity())
        Grow(TreeBlock::NextCapacity(Capacity()), arena);
    const int index = m_pBlock->count;
    Slots()[index] = child;
    const_cast<uint8_t*>(GetTags())[index] = tag;
    m_pBlock->count = index + 1;
}

void CQChildArray::Reserve(uint32_t capacity, CQTreeArena* arena)
{
    if (capacity > Capacity())
        Grow(capacity, arena);
}

void CQChildArray::Grow(uint32_t capacity, CQTreeArena* arena)
{
    // A heap block that the tree extends moves into the arena; who owns a child does not depend on where it
    // is listed (see DestroyTreeItem).
    CQTreeBlockHeader* block = TreeBlock::Allocate(BlockBytes(capacity), capacity, arena);
    if (m_pBlock != nullptr)
    {
        const int count = m_pBlock->count;
        std::memcpy(block + 1, Slots(), sizeof(CQTreeItem*) * static_cast<size_t>(count));
        std::memcpy(reinterpret_cast<CQTreeItem**>(block + 1) + capacity, GetTags(),
                    static_cast<size_t>(count));
        block->count = count;
        TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), arena);
    }
    m_pBlock = block;
}

void CQChildArray::RemoveAll()
{
    if (m_pBlock == nullptr)
        return;
    // Each slot is emptied before its child goes, so the array never shows a destroyed item; the children
    // of a child are destroyed before it, without recursion.
    const int count = m_pBlock->count;
    CQTreeItem** slots = Slots();
    for (int i = 0; i < count; ++i)
    {
        CQTreeItem* child = slots[i];
        slots[i] = nullptr;
        DestroyTreeItem(child);
    }
    m_pBlock->count = 0;
}

void CQChildArray::ReleaseStorage()
{
    TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), nullptr);
    m_pBlock = nullptr;
}
