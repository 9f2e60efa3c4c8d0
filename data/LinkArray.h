// The process links of a tree item, in creation order: the 12-byte records themselves, one after the other
// in one block (no heap block per link), which is also their form in the saved data file.
//
// Element access gives a pointer to the record in the block, valid until the next append.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/ProcessLink.h"
#include "data/TreeBlock.h"

class CQLinkArray
{
public:
    CQLinkArray() noexcept = default;
    ~CQLinkArray() { ReleaseStorage(); }
    CQLinkArray(const CQLinkArray&) = delete;
    CQLinkArray& operator=(const CQLinkArray&) = delete;

    int GetSize() const { return m_pBlock != nullptr ? m_pBlock->count : 0; }
    // Index 0 to GetSize() - 1; anything else is the caller's error.
    CQProcessLink* operator[](int index) { return Links() + index; }
    const CQProcessLink* operator[](int index) const { return Links() + index; }
    const CQProcessLink* GetAt(int index) const { return Links() + index; }
    const CQProcessLink* GetData() const { return m_pBlock != nullptr ? Links() : nullptr; }

    // Appends a copy of link and returns the record in the block.
    CQProcessLink& Append(const CQProcessLink& link, CQTreeArena& arena);
    // Room for capacity links in all.
    void Reserve(uint32_t capacity, CQTreeArena& arena);
    // The first link of the process index, or none.
    CQProcessLink* Find(uint32_t processIndex);
    // Forgets the links and gives the storage up (a heap block is freed, an arena block stays until the
    // arena goes).
    void ReleaseStorage();

private:
    CQProcessLink* Links() const { return reinterpret_cast<CQProcessLink*>(m_pBlock + 1); }
    uint32_t Capacity() const { return TreeBlock::Capacity(m_pBlock); }
    static size_t BlockBytes(uint32_t capacity)
    {
        return TreeBlock::RoundToBlock(sizeof(CQTreeBlockHeader) + capacity * sizeof(CQProcessLink));
    }
    void Grow(uint32_t capacity, CQTreeArena& arena);

    CQTreeBlockHeader* m_pBlock = nullptr;
};
