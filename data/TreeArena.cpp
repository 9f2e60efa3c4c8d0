#include "data/TreeArena.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
constexpr size_t kFirstChunkBytes = 64 * 1024;
constexpr size_t kLargestChunkBytes = 16 * 1024 * 1024;
// Chunks are reserved whole and committed in steps, so the memory charged follows what is used.
constexpr size_t kCommitStepBytes = 256 * 1024;
constexpr size_t kSmallBlockLimit = 4096;

// Every live arena's chunks, so that the owner of any pointer can be told without knowing its tree.
struct ChunkRegistry
{
    SRWLOCK lock = SRWLOCK_INIT;
    struct Range
    {
        const char* begin;
        const char* end;
    };
    std::vector<Range> ranges; // ordered by address

    void Add(const char* begin, const char* end)
    {
        AcquireSRWLockExclusive(&lock);
        auto at = std::lower_bound(ranges.begin(), ranges.end(), begin,
                                   [](const Range& r, const char* p) { return r.begin < p; });
        ranges.insert(at, Range{begin, end});
        ReleaseSRWLockExclusive(&lock);
    }
    void Remove(const char* begin)
    {
        AcquireSRWLockExclusive(&lock);
        auto at = std::lower_bound(ranges.begin(), ranges.end(), begin,
                                   [](const Range& r, const char* p) { return r.begin < p; });
        if (at != ranges.end() && at->begin == begin)
            ranges.erase(at);
        ReleaseSRWLockExclusive(&lock);
    }
    bool Holds(const char* p)
    {
        AcquireSRWLockShared(&lock);
        auto after = std::upper_bound(ranges.begin(), ranges.end(), p,
                                      [](const char* q, const Range& r) { return q < r.begin; });
        const bool inside = after != ranges.begin() && p < (after - 1)->end;
        ReleaseSRWLockShared(&lock);
        return inside;
    }
};

ChunkRegistry& Registry()
{
    // Never destroyed: arenas of static objects may go after it otherwise.
    static ChunkRegistry* registry = new ChunkRegistry;
    return *registry;
}

size_t RoundUp(size_t value, size_t step)
{
    return (value + step - 1) / step * step;
}

void* NextFree(void* block)
{
    void* next;
    std::memcpy(&next, block, sizeof(next));
    return next;
}
} // namespace

CQTreeArena::~CQTreeArena()
{
    Reset();
}

namespace
{
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
    if (chunkBytes < kLargestChunkBytes)
        m_nextChunkBytes = chunkBytes * 2;
    else
        m_nextChunkBytes = kLargestChunkBytes;
    // A request too big for a chunk of the usual size gets a chunk of its own size.
    chunkBytes = std::max(chunkBytes, RoundUp(bytes + alignment, kFirstChunkBytes));
    char* begin = static_cast<char*>(VirtualAlloc(nullptr, chunkBytes, MEM_RESERVE, PAGE_NOACCESS));
    if (begin == nullptr)
        throw std::bad_alloc();
    const size_t commit = std::min(chunkBytes, RoundUp(bytes + alignment, kCommitStepBytes));
    if (VirtualAlloc(begin, commit, MEM_COMMIT, PAGE_READWRITE) == nullptr)
    {
        VirtualFree(begin, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    const Chunk chunk{begin, begin + chunkBytes};
    const auto position = std::lower_bound(m_chunks.begin(), m_chunks.end(), chunk,
                                           [](const Chunk& a, const Chunk& b) { return a.begin < b.begin; });
    try
    {
        const auto inserted = m_chunks.insert(position, chunk);
        try
        {
            Registry().Add(chunk.begin, chunk.end);
        }
        catch (...)
        {
            m_chunks.erase(inserted);
            throw;
        }
    }
    catch (...)
    {
        VirtualFree(begin, 0, MEM_RELEASE);
        throw;
    }
    m_reserved += chunkBytes;
    // The rest of the previous chunk is given up: little, since requests are small next to a chunk.
    at = AlignUp(begin, alignment);
    m_pNext = at + bytes;
    m_pEnd = begin + commit;
    m_pChunkEnd = chunk.end;
    m_used += bytes;
    return at;
}

void* CQTreeArena::AllocateBlock(size_t bytes)
{
    void* block = nullptr;
    if (bytes <= kSmallBlockLimit)
    {
        const size_t index = bytes / 8;
        if (index < m_smallFree.size() && m_smallFree[index] != nullptr)
        {
            block = m_smallFree[index];
            m_smallFree[index] = NextFree(block);
        }
    }
    else
    {
        auto found = m_largeFree.find(bytes);
        if (found != m_largeFree.end())
        {
            block = found->second;
            void* next = NextFree(block);
            if (next != nullptr)
                found->second = next;
            else
                m_largeFree.erase(found);
        }
    }
    return block != nullptr ? block : Allocate(bytes, 8);
}

void CQTreeArena::ReleaseBlock(void* block, size_t bytes)
{
    if (block == nullptr || bytes < sizeof(void*))
        return;
    if (bytes <= kSmallBlockLimit)
    {
        const size_t index = bytes / 8;
        if (index >= m_smallFree.size())
            m_smallFree.resize(kSmallBlockLimit / 8 + 1, nullptr);
        std::memcpy(block, &m_smallFree[index], sizeof(void*));
        m_smallFree[index] = block;
        return;
    }
    void*& head = m_largeFree[bytes];
    std::memcpy(block, &head, sizeof(void*));
    head = block;
}

void CQTreeArena::Reset()
{
    for (const Chunk& chunk : m_chunks)
    {
        Registry().Remove(chunk.begin);
        VirtualFree(chunk.begin, 0, MEM_RELEASE);
    }
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_smallFree.clear();
    m_smallFree.shrink_to_fit();
    m_largeFree.clear();
    m_pNext = m_pEnd = m_pChunkEnd = nullptr;
    m_nextChunkBytes = 0;
    m_reserved = 0;
    m_used = 0;
}

bool CQTreeArena::Contains(const void* p) const
{
    const char* q = static_cast<const char*>(p);
    auto after = std::upper_bound(m_chunks.begin(), m_chunks.end(), q,
                                  [](const char* x, const Chunk& c) { return x < c.begin; });
    return after != m_chunks.begin() && q < (after - 1)->end;
}

bool CQTreeArena::Holds(const void* p)
{
    return p != nullptr && Registry().Holds(static_cast<const char*>(p));
}
