#include "data/CompactString.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace
{
constexpr size_t kHeaderBytes = sizeof(uint32_t);
}

CQCompactString& CQCompactString::operator=(const CQCompactString& other)
{
    if (this != &other)
        Assign(other.c_str(), other.length());
    return *this;
}

CQCompactString& CQCompactString::operator=(CQCompactString&& other) noexcept
{
    if (this != &other)
    {
        Free();
        m_pText = other.m_pText;
        other.m_pText = nullptr;
    }
    return *this;
}

void CQCompactString::Assign(const wchar_t* text)
{
    Assign(text, text != nullptr ? std::wcslen(text) : 0);
}

void CQCompactString::Assign(const wchar_t* text, size_t length)
{
    if (length == 0)
    {
        Free();
        return;
    }
    if (length > UINT32_MAX)
        throw std::bad_alloc();
    if (m_pText != nullptr && length == this->length())
    {
        // memmove: the source may be this very text.
        std::memmove(m_pText, text, length * sizeof(wchar_t));
        return;
    }
    // The new block is filled before the old one is freed, in case the source lies inside it.
    const uint32_t length32 = static_cast<uint32_t>(length);
    char* block = static_cast<char*>(::operator new(kHeaderBytes + (length + 1) * sizeof(wchar_t)));
    std::memcpy(block, &length32, kHeaderBytes);
    wchar_t* chars = reinterpret_cast<wchar_t*>(block + kHeaderBytes);
    std::memcpy(chars, text, length * sizeof(wchar_t));
    chars[length] = L'\0';
    Free();
    m_pText = chars;
}

bool CQCompactString::Equals(const wchar_t* text, size_t length) const
{
    return length == this->length() && std::wmemcmp(c_str(), text, length) == 0;
}

void CQCompactString::Free() noexcept
{
    if (m_pText != nullptr)
    {
        ::operator delete(reinterpret_cast<char*>(m_pText) - kHeaderBytes);
        m_pText = nullptr;
    }
}
