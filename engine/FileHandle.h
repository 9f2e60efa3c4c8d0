// A move-only owner of a kernel object handle that CreateFileW hands out (INVALID_HANDLE_VALUE when none).
#pragma once

#include <windows.h>

class CQFileHandle
{
public:
    CQFileHandle() = default;
    explicit CQFileHandle(HANDLE handle) : m_hFile(handle) {}
    ~CQFileHandle() { Reset(); }
    CQFileHandle(CQFileHandle&& other) noexcept : m_hFile(other.Release()) {}
    CQFileHandle& operator=(CQFileHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CQFileHandle(const CQFileHandle&) = delete;
    CQFileHandle& operator=(const CQFileHandle&) = delete;

    HANDLE Get() const { return m_hFile; }
    bool IsValid() const { return m_hFile != INVALID_HANDLE_VALUE && m_hFile != nullptr; }
    HANDLE Release()
    {
        HANDLE handle = m_hFile;
        m_hFile = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (IsValid())
            CloseHandle(m_hFile);
        m_hFile = handle;
    }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
