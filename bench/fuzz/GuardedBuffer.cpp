#include "fuzz/GuardedBuffer.h"

#include <cstring>

GuardedBuffer::GuardedBuffer(size_t dataPages)
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    BYTE* base = static_cast<BYTE*>(
        VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base == nullptr)
        return;
    DWORD previous = 0;
    if (!VirtualProtect(base + dataPages * page, page, PAGE_NOACCESS, &previous))
    {
        VirtualFree(base, 0, MEM_RELEASE);
        return;
    }
    m_pBase = base;
    m_cbData = dataPages * page;
}

GuardedBuffer::~GuardedBuffer()
{
    if (m_pBase != nullptr)
        VirtualFree(m_pBase, 0, MEM_RELEASE);
}

BYTE* GuardedBuffer::PlaceAtEnd(const void* bytes, size_t count)
{
    if (count > m_cbData)
        count = m_cbData;
    BYTE* start = Guard() - count;
    if (count != 0)
        memcpy(start, bytes, count);
    return start;
}
