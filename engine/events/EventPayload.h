// Bounded reads from one event's payload. The payload is input like any other: every read is checked
// against its length, and fields are read byte-wise since nothing in it is aligned.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

class CQEventPayload
{
public:
    // Not owning: pData must stay valid while the object is used. pointerSize is 4 or 8.
    CQEventPayload(const BYTE* pData, size_t length, uint32_t pointerSize);

    size_t Length() const { return m_cbLength; }
    uint32_t PointerSize() const { return m_dwordPointerSize; }

    // False, with value left as it was, when the field does not lie wholly inside the payload.
    bool ReadU32(size_t offset, uint32_t& value) const;
    // A pointer field, zero-extended when it is 4 bytes.
    bool ReadPointer(size_t offset, uint64_t& value) const;
    // UTF-16 units from offset up to the first NUL, or up to the payload's end when there is none (an odd
    // last byte is not part of the text); at most cchMax units. False when offset lies past the end.
    bool ReadString(size_t offset, std::wstring& text, size_t cchMax) const;

private:
    bool Fits(size_t offset, size_t size) const
    {
        return offset <= m_cbLength && m_cbLength - offset >= size;
    }

    const BYTE* m_pData; // not owned
    size_t m_cbLength;
    uint32_t m_dwordPointerSize;
};
