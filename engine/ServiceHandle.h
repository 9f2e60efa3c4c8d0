// A move-only owner of a service control manager handle (of the manager or of one service).
#pragma once

#include <windows.h>

class CQServiceHandle
{
public:
    CQServiceHandle() = default;
    explicit CQServiceHandle(SC_HANDLE handle) : m_hService(handle) {}
    ~CQServiceHandle() { Reset(); }
    CQServiceHandle(CQServiceHandle&& other) noexcept : m_hService(other.Release()) {}
    CQServiceHandle& operator=(CQServiceHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CQServiceHandle(const CQServiceHandle&) = delete;
    CQServiceHandle& operator=(const CQServiceHandle&) = delete;

    SC_HANDLE Get() const { return m_hService; }
    explicit operator bool() const { return m_hService != nullptr; }
    SC_HANDLE Release()
    {
        SC_HANDLE handle = m_hService;
        m_hService = nullptr;
        return handle;
    }
    // Closing keeps the thread's last error, so a failure reported after it is the one that counted.
    void Reset(SC_HANDLE handle = nullptr)
    {
        if (m_hService != nullptr)
        {
            const DWORD error = GetLastError();
            CloseServiceHandle(m_hService);
            SetLastError(error);
        }
        m_hService = handle;
    }

private:
    SC_HANDLE m_hService = nullptr;
};
