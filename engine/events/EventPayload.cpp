#include "engine/events/EventPayload.h"

#include <cstring>

CQEventPayload::CQEventPayload(const BYTE* pData, size_t length, uint32_t pointerSize)
    : m_pData(pData), m_cbLength(pData != nullptr ? length : 0), m_dwordPointerSize(pointerSize == 4 ? 4 : 8)
{
}

bool CQEventPayload::ReadU32(size_t offset, uint32_t& value) const
{
    if (!Fits(offset, sizeof(value)))
        return false;
    memcpy(&value, m_pData + offset, sizeof(value));
    return true;
}

bool CQEventPayload::ReadPointer(size_t offset, uint64_t& value) const
{
    if (m_dwordPointerSize == 4)
    {
        uint32_t narrow;
        if (!ReadU32(offset, narrow))
            return false;
        value = narrow;
        return true;
    }
    if (!Fits(offset, sizeof(value)))
        return false;
    memcpy(&value, m_pData + offset, sizeof(value));
    return true;
}

bool CQEventPayload::ReadString(size_t offset, std::wstring& text, size_t cchMax) const
{
    if (offset > m_cbLength)
        return false;
    const BYTE* p = m_pData + offset;
    size_t cchAvailable = (m_cbLength - offset) / 2;
    if (cchAvailable > cchMax)
        cchAvailable = cchMax;
    size_t cch = 0;
    while (cch < cchAvailable && (p[2 * cch] | p[2 * cch + 1]) != 0)
        ++cch;
    text.resize(cch);
    if (cch != 0)
        memcpy(&text[0], p, cch * sizeof(wchar_t));
    return true;
}
