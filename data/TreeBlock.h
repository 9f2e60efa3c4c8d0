// The storage behind the child and link arrays of tree items: one block with a count and a capacity in
// front of the elements, taken from the tree's arena. An empty array holds no block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "data/TreeArena.h"

struct CQTreeBlockHeader
{
    int32_t count;
    uint32_t capacity;
};
static_assert(sizeof(CQTreeBlockHeader) == 8, "elements start 8 bytes into the block");

namespace TreeBlock
{
inline uint32_t Capacity(const CQTreeBlockHeader* block)
{
    return block != nullptr ? block->capacity : 0;
}

// Capacities grow by half (1, 2, 3, 4, 6, 9, 13, ...): little room is left unused, and arrays of one size
// reuse each other's old blocks.
inline uint32_t NextCapacity(uint32_t capacity)
{
    const uint64_t next = uint64_t(capacity) + (capacity > 1 ? capacity / 2 : 1);
    if (next > 0x7FFFFFFFu)
        throw std::bad_alloc();
    return static_cast<uint32_t>(next);
}

inline size_t RoundToBlock(size_t bytes)
{
    return (bytes + 7) & ~size_t(7);
}

// Blocks larger than the arena hands out come from the heap: an array that size grows seldom, and its old
// block is then really given back instead of waiting for another array of exactly its size. The size alone
// tells where a block came from.
inline bool FromHeap(size_t bytes)
{
    return bytes > CQTreeArena::kLargestBlock;
}

// A block of the given size (a multiple of 8) with its header set to no elements.
inline CQTreeBlockHeader* Allocate(size_t bytes, uint32_t capacity, CQTreeArena& arena)
{
    void* memory = FromHeap(bytes) ? ::operator new(bytes) : arena.AllocateBlock(bytes);
    CQTreeBlockHeader* block = static_cast<CQTreeBlockHeader*>(memory);
    block->count = 0;
    block->capacity = capacity;
    return block;
}

// Gives a block up: a heap block to the heap, an arena block to arena for reuse when one is given
// (otherwise it stays until the arena goes).
inline void Release(CQTreeBlockHeader* block, size_t bytes, CQTreeArena* arena)
{
    if (block == nullptr)
        return;
    if (FromHeap(bytes))
        ::operator delete(block);
    else if (arena != nullptr)
        arena->ReleaseBlock(block, bytes);
}
} // namespace TreeBlock
