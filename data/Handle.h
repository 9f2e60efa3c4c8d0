// Move-only owners of the system's handles, for every room of the program: CQFileHandle for a kernel
// object handle as CreateFileW hands it out (INVALID_HANDLE_VALUE when none; null counts as none too) and
// CQServiceHandle for a handle of the service control manager or of one service (null when none); the
// registry key's owner (app/RegKey.h) is one of them too.
#pragma once

#include <windows.h>

template <typename Traits> class CQOwnedHandle
{
public:
    using Handle = typename Traits::Handle;

    CQOwnedHandle() = default;
    explicit CQOwnedHandle(Handle handle) : m_handle(handle) {}
    ~CQOwnedHandle() { Reset(); }
    CQOwnedHandle(CQOwnedHandle&& other) noexcept : m_handle(other.Release()) {}
    CQOwnedHandle& operator=(CQOwnedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CQOwnedHandle(const CQOwnedHandle&) = delete;
    CQOwnedHandle& operator=(const CQOwnedHandle&) = delete;

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::None() && m_handle != nullptr; }
    explicit operator bool() const { return IsValid(); }
    // For the functions that hand out a new handle through a pointer: closes the current one first.
    Handle* Receive()
    {
        Reset();
        return &m_handle;
    }
    Handle Release()
    {
        const Handle handle = m_handle;
        m_handle = Traits::None();
        return handle;
    }
    // Closing keeps the thread's last error, so a failure reported after it is the one that counted.
    void Reset(Handle handle = Traits::None())
    {
        if (IsValid())
        {
            const DWORD error = GetLastError();
            Traits::Close(m_handle);
            SetLastError(error);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::None();
};

struct CQFileHandleTraits
{
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};

struct CQServiceHandleTraits
{
    using Handle = SC_HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { CloseServiceHandle(handle); }
};

using CQFileHandle = CQOwnedHandle<CQFileHandleTraits>;
using CQServiceHandle = CQOwnedHandle<CQServiceHandleTraits>;
