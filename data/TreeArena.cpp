#include "data/TreeArena.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace
{
constexpr size_t kFirstChunkBytes = 64 * 1024;
constexpr size_t kLargestChunkBytes = 16 * 1024 * 1024;
// Chunks are reserved whole and committed in steps, so the memory charged follows what is used.
constexpr size_t kCommitStepBytes = 256 * 1024;

size_t RoundUp(size_t value, size_t step)
{
    return (value + step - 1) / step * step;
}

char* AlignUp(char* p, size_t alignment)
{
    return reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(p) + alignment - 1) &
                                   ~static_cast<uintptr_t>(alignment - 1));
}
} // namespace

void* CQTreeArena::Allocate(size_t bytes, size_t alignment)
{
    char* at = AlignUp(m_pNext, alignment);
    if (m_pNext != nullptr && bytes <= static_cast<size_t>(m_pEnd - at))
    {
        m_pNext = at + bytes;
        m_used += bytes;
        return at;
    }
    return AllocateSlow(bytes, alignment);
}

void* CQTreeArena::AllocateSlow(size_t bytes, size_t alignment)
{
    char* at = AlignUp(m_pNext, alignment);
    if (m_pNext != nullptr && bytes <= static_cast<size_t>(m_pChunkEnd - at))
    {
        // Room left in the chunk: commit the next steps of it.
        const size_t wanted = RoundUp(static_cast<size_t>(at + bytes - m_pEnd), kCommitStepBytes);
        const size_t step = std::min(wanted, static_cast<size_t>(m_pChunkEnd - m_pEnd));
        if (VirtualAlloc(m_pEnd, step, MEM_COMMIT, PAGE_READWRITE) == nullptr)
            throw std::bad_alloc();
        m_pEnd += step;
        m_pNext = at + bytes;
        m_used += bytes;
        return at;
    }

    size_t chunkBytes = m_nextChunkBytes != 0 ? m_nextChunkBytes : kFirstChunkBytes;
    m_nextChunkBytes = std::min(chunkBytes * 2, kLargestChunkBytes);
    // A request too big for a chunk of the usual size gets a chunk of its own size.
    chunkBytes = std::max(chunkBytes, RoundUp(bytes + alignment, kFirstChunkBytes));
    m_arrChunks.reserve(m_arrChunks.size() + 1);
    char* begin = static_cast<char*>(VirtualAlloc(nullptr, chunkBytes, MEM_RESERVE, PAGE_NOACCESS));
    if (begin == nullptr)
        throw std::bad_alloc();
    const size_t commit = std::min(chunkBytes, RoundUp(bytes + alignment, kCommitStepBytes));
    if (VirtualAlloc(begin, commit, MEM_COMMIT, PAGE_READWRITE) == nullptr)
    {
        VirtualFree(begin, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    m_arrChunks.push_back(begin);
    m_reserved += chunkBytes;
    // The rest of the previous chunk is given up: little, since requests are small next to a chunk.
    at = AlignUp(begin, alignment);
    m_pNext = at + bytes;
    m_pEnd = begin + commit;
    m_pChunkEnd = begin + chunkBytes;
    m_used += bytes;
    return at;
}

void* CQTreeArena::AllocateBlock(size_t bytes)
{
    const size_t index = bytes / 8;
    if (index < m_arrFree.size() && m_arrFree[index] != nullptr)
    {
        void* block = m_arrFree[index];
        std::memcpy(&m_arrFree[index], block, sizeof(void*));
        return block;
    }
    return Allocate(bytes, 8);
}

void CQTreeArena::ReleaseBlock(void* block, size_t bytes)
{
    if (block == nullptr || bytes < sizeof(void*) || bytes > kLargestBlock)
        return;
    const size_t index = bytes / 8;
    if (index >= m_arrFree.size())
        m_arrFree.resize(kLargestBlock / 8 + 1, nullptr);
    std::memcpy(block, &m_arrFree[index], sizeof(void*));
    m_arrFree[index] = block;
}

void CQTreeArena::Reset()
{
    for (char* chunk : m_arrChunks)
        VirtualFree(chunk, 0, MEM_RELEASE);
    m_arrChunks.clear();
    m_arrChunks.shrink_to_fit();
    m_arrFree.clear();
    m_arrFree.shrink_to_fit();
    m_pNext = m_pEnd = m_pChunkEnd = nullptr;
    m_nextChunkBytes = 0;
    m_reserved = 0;
    m_used = 0;
}
