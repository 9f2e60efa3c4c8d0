// Memory for the items of one collected-data tree and everything they hold (names, child and link arrays).
// A tree never frees an item on its own: items go all at once, when the tree is cleared or destroyed. So
// they are carved one after the other out of large chunks, without a heap block (and its bookkeeping) per
// item, and given back chunk by chunk.
//
// Arrays that grow leave their old storage behind; it is kept by size and handed out again to the next
// array of that size, so growing arrays do not eat the chunks.
//
// Threads: an arena is used by the thread that changes its tree (the processing thread, with the monitor's
// data lock held).
#pragma once

#include <cstddef>
#include <vector>

class CQTreeArena
{
public:
    // The largest array storage that AllocateBlock hands out (about 60 children); larger arrays take their
    // storage from the heap. Such arrays belong to folders that keep growing, often many at once (a cache
    // folder each): the blocks they leave behind go back to the heap, where any size can use them, instead
    // of waiting here for an array of exactly their size.
    static constexpr size_t kLargestBlock = 512;

    CQTreeArena() = default;
    ~CQTreeArena() { Reset(); }
    CQTreeArena(const CQTreeArena&) = delete;
    CQTreeArena& operator=(const CQTreeArena&) = delete;

    // Uninitialised memory of the given size and alignment (a power of 2, at most 16). Throws
    // std::bad_alloc when the system has no memory left.
    void* Allocate(size_t bytes, size_t alignment);
    // Storage for an array of the given size (a multiple of 8, at most kLargestBlock, 8-aligned), reusing
    // what ReleaseBlock gave back for that size.
    void* AllocateBlock(size_t bytes);
    // Gives back the storage of an array that moved; block must be from AllocateBlock with the same size.
    void ReleaseBlock(void* block, size_t bytes);

    // Gives every chunk back to the system. Nothing allocated before may be used afterwards.
    void Reset();

    // Memory reserved from the system, and the part of it handed out (released blocks included), in bytes.
    size_t GetReservedBytes() const { return m_reserved; }
    size_t GetUsedBytes() const { return m_used; }

private:
    void* AllocateSlow(size_t bytes, size_t alignment);

    std::vector<char*> m_arrChunks;
    // The chunk allocated last: free space from m_pNext, committed up to m_pEnd, reserved up to m_pChunkEnd.
    char* m_pNext = nullptr;
    char* m_pEnd = nullptr;
    char* m_pChunkEnd = nullptr;
    size_t m_nextChunkBytes = 0;
    size_t m_reserved = 0;
    size_t m_used = 0;
    // Released blocks by size (index: bytes / 8); each one holds the next one of its size in its first 8
    // bytes.
    std::vector<void*> m_arrFree;
};
