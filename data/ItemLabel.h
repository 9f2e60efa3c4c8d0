// The cached label of a tree item (the text of its row in the files tree view). Only items whose row has
// been shown ever get one, so the label itself lives in a store shared by the whole process and the item
// keeps a 32-bit slot number (0: no label), half of what a pointer would cost in every item.
//
// The text of a slot is a std::wstring: c_str() stays valid until the label is next assigned a longer text,
// or cleared. Slots are taken and given back under the store's own lock; a slot's text is read and written
// by whoever owns the item (the files tree view holds the monitor's data lock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CQItemLabel
{
public:
    CQItemLabel() noexcept = default;
    ~CQItemLabel() { Clear(); }
    CQItemLabel(const CQItemLabel&) = delete;
    CQItemLabel& operator=(const CQItemLabel&) = delete;

    CQItemLabel& operator=(const std::wstring& text)
    {
        Assign(text.data(), text.size());
        return *this;
    }
    CQItemLabel& operator=(const wchar_t* text);

    // An empty text gives the slot back.
    void Assign(const wchar_t* text, size_t length);
    void Clear() noexcept;

    bool empty() const { return length() == 0; }
    // Always zero-terminated; "" when empty.
    const wchar_t* c_str() const;
    size_t length() const;
    size_t size() const { return length(); }
    std::wstring str() const { return std::wstring(c_str(), length()); }

    // Slots in use in the whole process (for tests and figures).
    static size_t GetSlotsInUse();

private:
    uint32_t m_dwordSlot = 0;
};
