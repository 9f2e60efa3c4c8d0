// Move-only owner of an icon created or loaded for this program (not a shared system icon).
#pragma once

#include <windows.h>

#include <utility>

class CQIconHandle
{
public:
    CQIconHandle() = default;
    explicit CQIconHandle(HICON icon) : m_h(icon) {}
    ~CQIconHandle() { Reset(); }

    CQIconHandle(const CQIconHandle&) = delete;
    CQIconHandle& operator=(const CQIconHandle&) = delete;
    CQIconHandle(CQIconHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CQIconHandle& operator=(CQIconHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }

    HICON Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    void Reset(HICON icon = nullptr)
    {
        if (m_h && m_h != icon)
            ::DestroyIcon(m_h);
        m_h = icon;
    }

private:
    HICON m_h = nullptr;
};
