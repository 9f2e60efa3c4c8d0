// Memory whose end touches a no-access page: bytes placed at its end make any read past them fault at
// once, so a parser that overreads its input crashes the test instead of reading what happens to follow.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedBuffer
{
public:
    // Room for up to maxLength bytes before the guard page.
    explicit GuardedBuffer(size_t maxLength);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // Copies the bytes so that the last one lies right before the guard page; returns where they start
    // (for no bytes, the guard page itself). length must not exceed the maximum.
    BYTE* Place(const void* data, size_t length);
    bool IsValid() const { return m_pBase != nullptr; }

private:
    BYTE* m_pBase = nullptr;
    BYTE* m_pGuard = nullptr;
    size_t m_cbUsable = 0;
};
