// Writable pages followed by one PAGE_NOACCESS page: bytes placed so that they end at the guard make any
// read or write past their end fault at once.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedBuffer
{
public:
    explicit GuardedBuffer(size_t dataPages = 1);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    bool IsValid() const { return m_pBase != nullptr; }
    size_t Capacity() const { return m_cbData; }
    // Copies count bytes (at most Capacity) so that the last one lies right before the guard page and
    // returns where the first one went.
    BYTE* PlaceAtEnd(const void* bytes, size_t count);
    // The first byte of the guard page.
    BYTE* Guard() const { return m_pBase + m_cbData; }

private:
    BYTE* m_pBase = nullptr;
    size_t m_cbData = 0;
};
