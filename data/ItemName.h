// The name of a tree item: one path component, held in one pointer into the tree's arena. A tree can hold
// millions of names, so a short name whose UTF-16 units are all below 0x100 (nearly every name) keeps one
// byte per unit behind a one-byte length; any other name keeps its UTF-16 units.
//
// Read a name with str(), AppendTo(), length() and operator[]; c_str() gives a zero-terminated copy that
// lives until the end of the full expression (it is meant for a call such as _wcsicmp(a.c_str(), b)).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CQTreeArena;

class CQItemName
{
public:
    // The zero-terminated text of a name; valid while this object lives (a temporary: to the end of the
    // full expression that called c_str()).
    class Text
    {
    public:
        operator const wchar_t*() const { return m_pText; }
        const wchar_t* get() const { return m_pText; }
        Text(const Text&) = delete;
        Text& operator=(const Text&) = delete;

    private:
        friend class CQItemName;
        explicit Text(const CQItemName& name);
        std::wstring m_csCopy;
        const wchar_t* m_pText = L"";
    };

    CQItemName() noexcept = default;
    CQItemName(const CQItemName&) = delete;
    CQItemName& operator=(const CQItemName&) = delete;

    // Replaces the name with a copy in arena, the arena of the item's tree; the old text stays there until
    // the arena goes.
    void Assign(const wchar_t* text, size_t length, CQTreeArena& arena);
    // The same from UTF-16LE bytes as the saved data file holds them (2 * units bytes, any alignment).
    void AssignUtf16(const void* bytes, size_t units, CQTreeArena& arena);
    // Forgets the name (its memory belongs to the arena).
    void Clear() { m_pBlock = nullptr; }

    bool empty() const { return m_pBlock == nullptr; }
    size_t length() const;
    size_t size() const { return length(); }
    // Unit index, 0 to length() - 1.
    wchar_t operator[](size_t index) const
    {
        return IsNarrow() ? static_cast<wchar_t>(NarrowData()[index]) : WideData()[index];
    }

    std::wstring str() const;
    void AppendTo(std::wstring& text) const;
    Text c_str() const;
    // Writes count units from first on as UTF-16LE to out (no terminator; out needs no alignment).
    void CopyUtf16(void* out, size_t first, size_t count) const;

    // One byte per unit (NarrowData), or UTF-16 units (WideData, zero-terminated).
    bool IsNarrow() const { return m_pBlock != nullptr && m_pBlock[0] < kWide; }
    const uint8_t* NarrowData() const { return m_pBlock + 1; }
    const wchar_t* WideData() const { return reinterpret_cast<const wchar_t*>(m_pBlock + kWideHeader); }

    bool Equals(const wchar_t* text, size_t length) const;
    friend bool operator==(const CQItemName& a, const std::wstring& b)
    {
        return a.Equals(b.data(), b.size());
    }
    friend bool operator==(const std::wstring& a, const CQItemName& b)
    {
        return b.Equals(a.data(), a.size());
    }
    friend bool operator!=(const CQItemName& a, const std::wstring& b) { return !(a == b); }

private:
    // The two layouts. Narrow: the length (below kWide) in the first byte, then that many one-byte units.
    // Wide: kWide, a pad byte, the 32-bit length, then the UTF-16 units, 2-aligned and zero-terminated.
    static constexpr uint8_t kWide = 0x80;
    static constexpr size_t kWideHeader = 6;

    // Stores length units, read one by one with unit(i).
    template <class Units> void Store(Units unit, size_t length, bool narrow, CQTreeArena& arena);

    uint8_t* m_pBlock = nullptr;
};
