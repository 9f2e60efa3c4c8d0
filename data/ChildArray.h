// The children of a tree item, in creation order (a loaded tree keeps the saved order). One pointer per
// item; the block holds the child pointers and, after them, one tag byte per child (a piece of the hash of
// its name), so that looking a name up among a few dozen children reads the tags and compares only the
// names whose tag agrees.
//
// The children themselves belong to their parent item, which destroys them (CQTreeItem::DestroyChildren);
// the storage comes from the tree's arena.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/TreeBlock.h"

class CQTreeItem;

class CQChildArray
{
public:
    CQChildArray() noexcept = default;
    ~CQChildArray() { ReleaseStorage(); }
    CQChildArray(const CQChildArray&) = delete;
    CQChildArray& operator=(const CQChildArray&) = delete;

    int GetSize() const { return m_pBlock != nullptr ? m_pBlock->count : 0; }
    int GetCapacity() const { return static_cast<int>(Capacity()); }
    // Index 0 to GetSize() - 1; anything else is the caller's error.
    CQTreeItem* operator[](int index) const { return Slots()[index]; }
    CQTreeItem* GetAt(int index) const { return Slots()[index]; }

    // Appends a child; tag is TagOf the hash of its name.
    void Append(CQTreeItem* child, uint8_t tag, CQTreeArena& arena);
    // Room for capacity children in all, so that loading a known count allocates once.
    void Reserve(uint32_t capacity, CQTreeArena& arena);
    // Forgets the children without destroying them (they were destroyed already), keeping the storage.
    void Forget()
    {
        if (m_pBlock != nullptr)
            m_pBlock->count = 0;
    }
    // Forgets the children and gives the storage up (a heap block is freed, an arena block stays until
    // the arena goes).
    void ReleaseStorage();

    // The tags of the children, GetSize() of them.
    const uint8_t* GetTags() const { return reinterpret_cast<const uint8_t*>(Slots() + Capacity()); }
    static uint8_t TagOf(uint32_t nameHash) { return static_cast<uint8_t>(nameHash >> 24); }

private:
    CQTreeItem** Slots() const { return reinterpret_cast<CQTreeItem**>(m_pBlock + 1); }
    uint32_t Capacity() const { return TreeBlock::Capacity(m_pBlock); }
    static size_t BlockBytes(uint32_t capacity)
    {
        return TreeBlock::RoundToBlock(sizeof(CQTreeBlockHeader) + capacity * (sizeof(CQTreeItem*) + 1));
    }
    void Grow(uint32_t capacity, CQTreeArena& arena);

    CQTreeBlockHeader* m_pBlock = nullptr;
};
