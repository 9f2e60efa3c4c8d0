#include "data/ItemName.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <type_traits>

#include "data/TreeArena.h"

namespace
{
uint16_t Utf16At(const uint8_t* bytes, size_t index)
{
    return static_cast<uint16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}
} // namespace

CQItemName& CQItemName::operator=(const wchar_t* text)
{
    Assign(text, text != nullptr ? std::wcslen(text) : 0, nullptr);
    return *this;
}

size_t CQItemName::length() const
{
    if (m_pBlock == nullptr)
        return 0;
    if (m_pBlock[0] < kExtended)
        return m_pBlock[0];
    uint32_t length;
    std::memcpy(&length, m_pBlock + 2, sizeof(length));
    return length;
}

void CQItemName::Assign(const wchar_t* text, size_t length, CQTreeArena* arena)
{
    bool wide = false;
    for (size_t i = 0; i < length && !wide; ++i)
        wide = static_cast<uint16_t>(text[i]) > 0xFF;
    Store(text, length, wide, arena);
}

// Views of saved UTF-16LE bytes for Store: the whole units, or only their low bytes for a narrow name.
struct CQItemName::SavedUnits
{
    const uint8_t* data;
    uint16_t operator[](size_t i) const { return Utf16At(data, i); }
};

void CQItemName::AssignUtf16(const void* bytes, size_t units, CQTreeArena* arena)
{
    const uint8_t* data = static_cast<const uint8_t*>(bytes);
    bool wide = false;
    for (size_t i = 0; i < units && !wide; ++i)
        wide = data[2 * i + 1] != 0;
    const SavedUnits source{data};
    Store(&source, units, wide, arena);
}

template <class Unit> void CQItemName::Store(const Unit* units, size_t length, bool wide, CQTreeArena* arena)
{
    if (length == 0)
    {
        Free();
        return;
    }
    if (length > UINT32_MAX - 1)
        throw std::bad_alloc();
    const bool shortForm = arena != nullptr && !wide && length < kExtended;
    const size_t bytes = shortForm ? 1 + length : kExtendedHeader + (wide ? 2 * (length + 1) : length);
    uint8_t* block = static_cast<uint8_t*>(arena != nullptr ? arena->Allocate(bytes, wide ? 2 : 1)
                                                            : ::operator new(bytes));
    // Units come either as a plain array or as an adapter object with operator[]; both read the same way.
    auto unit = [units](size_t i) -> uint16_t
    {
        if constexpr (std::is_class<Unit>::value)
            return static_cast<uint16_t>((*units)[i]);
        else
            return static_cast<uint16_t>(units[i]);
    };
    if (shortForm)
    {
        block[0] = static_cast<uint8_t>(length);
        for (size_t i = 0; i < length; ++i)
            block[1 + i] = static_cast<uint8_t>(unit(i));
    }
    else
    {
        block[0] = static_cast<uint8_t>(kExtended | (wide ? kWide : 0) | (arena == nullptr ? kHeap : 0));
        block[1] = 0;
        const uint32_t length32 = static_cast<uint32_t>(length);
        std::memcpy(block + 2, &length32, sizeof(length32));
        if (wide)
        {
            wchar_t* out = reinterpret_cast<wchar_t*>(block + kExtendedHeader);
            for (size_t i = 0; i < length; ++i)
                out[i] = static_cast<wchar_t>(unit(i));
            out[length] = L'\0';
        }
        else
        {
            for (size_t i = 0; i < length; ++i)
                block[kExtendedHeader + i] = static_cast<uint8_t>(unit(i));
        }
    }
    // The old block goes only now: the new text may have been read from it.
    Free();
    m_pBlock = block;
}

void CQItemName::Free() noexcept
{
    if (m_pBlock != nullptr && m_pBlock[0] >= kExtended && (m_pBlock[0] & kHeap))
        ::operator delete(m_pBlock);
    m_pBlock = nullptr;
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
