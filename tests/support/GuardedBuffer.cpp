#include "support/GuardedBuffer.h"

#include <cstring>

GuardedBuffer::GuardedBuffer(size_t maxLength)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    m_cbUsable = (maxLength + page - 1) / page * page;
    m_pBase = static_cast<BYTE*>(
        VirtualAlloc(nullptr, m_cbUsable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (m_pBase == nullptr)
        return;
    DWORD old = 0;
    m_pGuard = m_pBase + m_cbUsable;
    if (!VirtualProtect(m_pGuard, page, PAGE_NOACCESS, &old))
    {
        VirtualFree(m_pBase, 0, MEM_RELEASE);
        m_pBase = nullptr;
    }
}

GuardedBuffer::~GuardedBuffer()
{
    if (m_pBase != nullptr)
        VirtualFree(m_pBase, 0, MEM_RELEASE);
}

BYTE* GuardedBuffer::Place(const void* data, size_t length)
{
    if (length > m_cbUsable)
        length = m_cbUsable;
    BYTE* start = m_pGuard - length;
    if (length != 0)
        memcpy(start, data, length);
    return start;
}
