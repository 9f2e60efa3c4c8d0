// The process links of a tree item, in creation order, as the 12-byte records they are in the saved data
// file. Nearly every file is written by one process only, so one link is held in the array itself; a second
// one moves both into one block of records, one after the other (no heap block per link).
//
// Element access gives a pointer to the record, valid until the next append.
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

    int GetSize() const { return InBlock() ? Block()->count : (m_link.m_dwordProcessIndex == kNone ? 0 : 1); }
    // Index 0 to GetSize() - 1; anything else is the caller's error.
    CQProcessLink* operator[](int index) { return Links() + index; }
    const CQProcessLink* operator[](int index) const { return Links() + index; }
    const CQProcessLink* GetAt(int index) const { return Links() + index; }
    const CQProcessLink* GetData() const { return GetSize() != 0 ? Links() : nullptr; }

    // Appends a copy of link and returns the record.
    CQProcessLink& Append(const CQProcessLink& link, CQTreeArena& arena);
    // Room for capacity links in all.
    void Reserve(uint32_t capacity, CQTreeArena& arena);
    // The first link of the process index, or none.
    CQProcessLink* Find(uint32_t processIndex);
    // Forgets the links and gives the storage up (a heap block is freed, an arena block stays until the
    // arena goes).
    void ReleaseStorage();

private:
    // The process index of m_link says what the array holds: kNone, nothing; kInBlock, a block whose
    // address m_link's byte count holds; anything else, that one link. A link whose own index is one of
    // the two (only a damaged file could give one) is always kept in a block.
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    static constexpr uint32_t kInBlock = 0xFFFFFFFEu;

    bool InBlock() const { return m_link.m_dwordProcessIndex == kInBlock; }
    CQTreeBlockHeader* Block() const
    {
        return reinterpret_cast<CQTreeBlockHeader*>(static_cast<uintptr_t>(m_link.m_qwordWritten));
    }
    CQProcessLink* Links() { return InBlock() ? reinterpret_cast<CQProcessLink*>(Block() + 1) : &m_link; }
    const CQProcessLink* Links() const
    {
        return InBlock() ? reinterpret_cast<const CQProcessLink*>(Block() + 1) : &m_link;
    }
    uint32_t Capacity() const { return InBlock() ? Block()->capacity : 1; }
    static size_t BlockBytes(uint32_t capacity)
    {
        return TreeBlock::RoundToBlock(sizeof(CQTreeBlockHeader) + capacity * sizeof(CQProcessLink));
    }
    void Grow(uint32_t capacity, CQTreeArena& arena);

    CQProcessLink m_link{0, kNone};
};
