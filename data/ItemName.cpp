#include "data/ItemName.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "data/TreeArena.h"

size_t CQItemName::length() const
{
    if (m_pBlock == nullptr)
        return 0;
    if (m_pBlock[0] < kWide)
        return m_pBlock[0];
    uint32_t length;
    std::memcpy(&length, m_pBlock + 2, sizeof(length));
    return length;
}

void CQItemName::Assign(const wchar_t* text, size_t length, CQTreeArena& arena)
{
    bool narrow = true;
    for (size_t i = 0; i < length && narrow; ++i)
        narrow = static_cast<uint16_t>(text[i]) <= 0xFF;
    Store([text](size_t i) { return static_cast<uint16_t>(text[i]); }, length, narrow, arena);
}

void CQItemName::AssignUtf16(const void* bytes, size_t units, CQTreeArena& arena)
{
    const uint8_t* data = static_cast<const uint8_t*>(bytes);
    bool narrow = true;
    for (size_t i = 0; i < units && narrow; ++i)
        narrow = data[2 * i + 1] == 0;
    Store([data](size_t i) { return static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8)); }, units,
          narrow, arena);
}

template <class Units> void CQItemName::Store(Units unit, size_t length, bool narrow, CQTreeArena& arena)
{
    if (length == 0)
    {
        m_pBlock = nullptr;
        return;
    }
    if (length > UINT32_MAX - 1)
        throw std::bad_alloc();
    if (narrow && length < kWide)
    {
        uint8_t* block = static_cast<uint8_t*>(arena.Allocate(1 + length, 1));
        block[0] = static_cast<uint8_t>(length);
        for (size_t i = 0; i < length; ++i)
            block[1 + i] = static_cast<uint8_t>(unit(i));
        m_pBlock = block;
        return;
    }
    uint8_t* block = static_cast<uint8_t*>(arena.Allocate(kWideHeader + 2 * (length + 1), 2));
    block[0] = kWide;
    block[1] = 0;
    const uint32_t length32 = static_cast<uint32_t>(length);
    std::memcpy(block + 2, &length32, sizeof(length32));
    wchar_t* out = reinterpret_cast<wchar_t*>(block + kWideHeader);
    for (size_t i = 0; i < length; ++i)
        out[i] = static_cast<wchar_t>(unit(i));
    out[length] = L'\0';
    m_pBlock = block;
}

std::wstring CQItemName::str() const
{
    std::wstring text;
    AppendTo(text);
    return text;
}

void CQItemName::AppendTo(std::wstring& text) const
{
    const size_t count = length();
    if (count == 0)
        return;
    if (!IsNarrow())
    {
        text.append(WideData(), count);
        return;
    }
    const size_t at = text.size();
    text.resize(at + count);
    const uint8_t* units = NarrowData();
    for (size_t i = 0; i < count; ++i)
        text[at + i] = static_cast<wchar_t>(units[i]);
}

CQItemName::Text::Text(const CQItemName& name)
{
    if (name.empty())
        return;
    if (!name.IsNarrow())
    {
        m_pText = name.WideData();
        return;
    }
    name.AppendTo(m_csCopy);
    m_pText = m_csCopy.c_str();
}

CQItemName::Text CQItemName::c_str() const
{
    return Text(*this);
}

void CQItemName::CopyUtf16(void* out, size_t first, size_t count) const
{
    if (count == 0)
        return;
    if (!IsNarrow())
    {
        std::memcpy(out, WideData() + first, count * sizeof(wchar_t));
        return;
    }
    uint8_t* bytes = static_cast<uint8_t*>(out);
    const uint8_t* units = NarrowData() + first;
    for (size_t i = 0; i < count; ++i)
    {
        bytes[2 * i] = units[i];
        bytes[2 * i + 1] = 0;
    }
}

bool CQItemName::Equals(const wchar_t* text, size_t count) const
{
    if (count != length())
        return false;
    if (count == 0)
        return true;
    if (!IsNarrow())
        return std::wmemcmp(WideData(), text, count) == 0;
    const uint8_t* units = NarrowData();
    for (size_t i = 0; i < count; ++i)
    {
        if (static_cast<wchar_t>(units[i]) != text[i])
            return false;
    }
    return true;
}
