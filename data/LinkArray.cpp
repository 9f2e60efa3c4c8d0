#include "data/LinkArray.h"

#include <cstring>

CQProcessLink& CQLinkArray::Append(const CQProcessLink& link, CQTreeArena& arena)
{
    if (m_link.m_dwordProcessIndex == kNone && link.m_dwordProcessIndex < kInBlock)
    {
        m_link = link;
        return m_link;
    }
    if (!InBlock() || uint32_t(Block()->count) == Capacity())
        Grow(TreeBlock::NextCapacity(Capacity()), arena);
    CQTreeBlockHeader* block = Block();
    CQProcessLink& added = reinterpret_cast<CQProcessLink*>(block + 1)[block->count];
    added = link;
    ++block->count;
    return added;
}

void CQLinkArray::Reserve(uint32_t capacity, CQTreeArena& arena)
{
    if (capacity > Capacity())
        Grow(capacity, arena);
}

CQProcessLink* CQLinkArray::Find(uint32_t processIndex)
{
    const int count = GetSize();
    CQProcessLink* links = Links();
    for (int i = 0; i < count; ++i)
    {
        if (links[i].m_dwordProcessIndex == processIndex)
            return links + i;
    }
    return nullptr;
}

void CQLinkArray::Grow(uint32_t capacity, CQTreeArena& arena)
{
    CQTreeBlockHeader* block = TreeBlock::Allocate(BlockBytes(capacity), capacity, arena);
    const int count = GetSize();
    std::memcpy(block + 1, Links(), sizeof(CQProcessLink) * static_cast<size_t>(count));
    block->count = count;
    if (InBlock())
        TreeBlock::Release(Block(), BlockBytes(Capacity()), &arena);
    m_link.m_qwordWritten = reinterpret_cast<uintptr_t>(block);
    m_link.m_dwordProcessIndex = kInBlock;
}

void CQLinkArray::ReleaseStorage()
{
    if (InBlock())
        TreeBlock::Release(Block(), BlockBytes(Capacity()), nullptr);
    m_link = CQProcessLink{0, kNone};
}
