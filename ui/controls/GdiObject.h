// Move-only owner of one GDI object (brush, font, bitmap): deleted once, when the owner goes.
#pragma once

#include <windows.h>

#include <utility>

template <class T> class CQGdiObject
{
public:
    CQGdiObject() = default;
    explicit CQGdiObject(T handle) : m_h(handle) {}
    ~CQGdiObject() { Reset(); }

    CQGdiObject(const CQGdiObject&) = delete;
    CQGdiObject& operator=(const CQGdiObject&) = delete;
    CQGdiObject(CQGdiObject&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CQGdiObject& operator=(CQGdiObject&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }

    T Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    // Takes ownership of `handle` after deleting the present object.
    void Reset(T handle = nullptr)
    {
        if (m_h && m_h != handle)
            ::DeleteObject(m_h);
        m_h = handle;
    }

    T Release() { return std::exchange(m_h, nullptr); }

private:
    T m_h = nullptr;
};

using CQBrush = CQGdiObject<HBRUSH>;
using CQFont = CQGdiObject<HFONT>;
using CQBitmap = CQGdiObject<HBITMAP>;
