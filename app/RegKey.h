// A move-only owner of an open registry key.
#pragma once

#include <windows.h>

class CQRegKey
{
public:
    CQRegKey() = default;
    explicit CQRegKey(HKEY key) : m_hKey(key) {}
    ~CQRegKey() { Reset(); }
    CQRegKey(CQRegKey&& other) noexcept : m_hKey(other.Release()) {}
    CQRegKey& operator=(CQRegKey&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CQRegKey(const CQRegKey&) = delete;
    CQRegKey& operator=(const CQRegKey&) = delete;

    HKEY Get() const { return m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }
    // For the functions that hand out a new key: closes the current one first.
    HKEY* Receive()
    {
        Reset();
        return &m_hKey;
    }
    HKEY Release()
    {
        HKEY key = m_hKey;
        m_hKey = nullptr;
        return key;
    }
    void Reset(HKEY key = nullptr)
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        m_hKey = key;
    }

private:
    HKEY m_hKey = nullptr;
};
