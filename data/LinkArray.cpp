#include "data/LinkArray.h"

#include <cstring>

CQProcessLink& CQLinkArray::Append(const CQProcessLink& link, CQTreeArena& arena)
{
    if (m_pBlock == nullptr || uint32_t(m_pBlock->count) == Capacity())
        Grow(TreeBlock::NextCapacity(Capacity()), arena);
    CQProcessLink& added = Links()[m_pBlock->count];
    added = link;
    ++m_pBlock->count;
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
    CQProcessLink* links = count != 0 ? Links() : nullptr;
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
    if (m_pBlock != nullptr)
    {
        block->count = m_pBlock->count;
        std::memcpy(block + 1, Links(), sizeof(CQProcessLink) * static_cast<size_t>(m_pBlock->count));
        TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), &arena);
    }
    m_pBlock = block;
}

void CQLinkArray::ReleaseStorage()
{
    TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), nullptr);
    m_pBlock = nullptr;
}
