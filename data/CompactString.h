// An owned wide string held in one pointer, for the names and labels of tree items, of which there can be
// millions. The text lives in one heap block: a 32-bit length, the characters, a terminating zero. An empty
// string holds no block at all, so it costs no heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class CQCompactString
{
public:
    CQCompactString() noexcept = default;
    CQCompactString(const wchar_t* text) { Assign(text); }
    CQCompactString(const std::wstring& text) { Assign(text.data(), text.size()); }
    CQCompactString(const CQCompactString& other) { Assign(other.c_str(), other.length()); }
    CQCompactString(CQCompactString&& other) noexcept : m_pText(other.m_pText) { other.m_pText = nullptr; }
    ~CQCompactString() { Free(); }

    CQCompactString& operator=(const CQCompactString& other);
    CQCompactString& operator=(CQCompactString&& other) noexcept;
    CQCompactString& operator=(const std::wstring& text)
    {
        Assign(text.data(), text.size());
        return *this;
    }
    CQCompactString& operator=(const wchar_t* text)
    {
        Assign(text);
        return *this;
    }

    // Replaces the text. A text of the same length is written over the old one in place, so a pointer taken
    // with c_str() stays valid when a label is rebuilt with a figure of the same width.
    void Assign(const wchar_t* text, size_t length);
    void Assign(const wchar_t* text);
    void Clear() { Free(); }

    // Always zero-terminated; "" when empty. Valid until the string is next assigned a different length.
    const wchar_t* c_str() const { return m_pText != nullptr ? m_pText : L""; }
    size_t length() const { return m_pText != nullptr ? StoredLength() : 0; }
    size_t size() const { return length(); }
    bool empty() const { return m_pText == nullptr; }
    std::wstring str() const { return std::wstring(c_str(), length()); }

    friend bool operator==(const CQCompactString& a, const CQCompactString& b)
    {
        return a.Equals(b.c_str(), b.length());
    }
    friend bool operator==(const CQCompactString& a, const std::wstring& b)
    {
        return a.Equals(b.data(), b.size());
    }
    friend bool operator==(const std::wstring& a, const CQCompactString& b)
    {
        return b.Equals(a.data(), a.size());
    }
    friend bool operator==(const CQCompactString& a, const wchar_t* b) { return a.str() == b; }
    friend bool operator!=(const CQCompactString& a, const CQCompactString& b) { return !(a == b); }
    friend bool operator!=(const CQCompactString& a, const std::wstring& b) { return !(a == b); }

private:
    // The block starts with the 32-bit length; m_pText points just past it.
    uint32_t StoredLength() const
    {
        uint32_t length;
        std::memcpy(&length, reinterpret_cast<const char*>(m_pText) - sizeof(uint32_t), sizeof(length));
        return length;
    }
    bool Equals(const wchar_t* text, size_t length) const;
    void Free() noexcept;

    wchar_t* m_pText = nullptr;
};
