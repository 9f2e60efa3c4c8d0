// Move-only owner of an image list: destroyed once, unless it was handed over to a control that
// destroys it itself (Release).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

class CQImageListHandle
{
public:
    CQImageListHandle() = default;
    explicit CQImageListHandle(HIMAGELIST list) : m_h(list) {}
    ~CQImageListHandle() { Reset(); }

    CQImageListHandle(const CQImageListHandle&) = delete;
    CQImageListHandle& operator=(const CQImageListHandle&) = delete;
    CQImageListHandle(CQImageListHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CQImageListHandle& operator=(CQImageListHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }

    HIMAGELIST Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    void Reset(HIMAGELIST list = nullptr)
    {
        if (m_h && m_h != list)
            ::ImageList_Destroy(m_h);
        m_h = list;
    }

    HIMAGELIST Release() { return std::exchange(m_h, nullptr); }

private:
    HIMAGELIST m_h = nullptr;
};
