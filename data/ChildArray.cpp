#include "data/ChildArray.h"

#include <cstring>

void CQChildArray::Append(CQTreeItem* child, uint8_t tag, CQTreeArena& arena)
{
    if (m_pBlock == nullptr || uint32_t(m_pBlock->count) == Capacity())
        Grow(TreeBlock::NextCapacity(Capacity()), arena);
    const int index = m_pBlock->count;
    Slots()[index] = child;
    const_cast<uint8_t*>(GetTags())[index] = tag;
    m_pBlock->count = index + 1;
}

void CQChildArray::Reserve(uint32_t capacity, CQTreeArena& arena)
{
    if (capacity > Capacity())
        Grow(capacity, arena);
}

void CQChildArray::Grow(uint32_t capacity, CQTreeArena& arena)
{
    CQTreeBlockHeader* block = TreeBlock::Allocate(BlockBytes(capacity), capacity, arena);
    if (m_pBlock != nullptr)
    {
        const int count = m_pBlock->count;
        std::memcpy(block + 1, Slots(), sizeof(CQTreeItem*) * static_cast<size_t>(count));
        std::memcpy(reinterpret_cast<CQTreeItem**>(block + 1) + capacity, GetTags(),
                    static_cast<size_t>(count));
        block->count = count;
        TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), &arena);
    }
    m_pBlock = block;
}

void CQChildArray::ReleaseStorage()
{
    TreeBlock::Release(m_pBlock, BlockBytes(Capacity()), nullptr);
    m_pBlock = nullptr;
}
