// File names by a 64-bit key (a file key or a file object's address), bounded by the memory they take. A
// key is named once, when its file is first seen: a name dropped here is gone for the life of that key.
// So the names that go when the bound is reached are the least recently used ones (a write's lookup counts
// as a use), and the files still being written keep theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

class CQFileNameMap
{
public:
    // What one entry costs besides its name's characters: the list and hash nodes, the string and the
    // allocator's headers, as an estimate on the high side.
    static constexpr size_t EntryOverheadBytes = 160;

    explicit CQFileNameMap(size_t byteLimit);
    CQFileNameMap(const CQFileNameMap&) = delete;
    CQFileNameMap& operator=(const CQFileNameMap&) = delete;

    // Names the key, replacing a name it had.
    void Set(uint64_t key, std::wstring name);
    // Names the key only when it has no name; true when it did.
    bool Fill(uint64_t key, std::wstring name);
    // Forgets the key when its name is this one; true when it did. A deletion that arrives after the key
    // was named again leaves the newer name alone.
    bool RemoveIf(uint64_t key, const std::wstring& name);
    void Remove(uint64_t key);
    // The name of the key, or null; the key becomes the most recently used. Valid until the next change.
    const std::wstring* Find(uint64_t key);

    // Whether the key has a name, without counting as a use.
    bool Has(uint64_t key) const { return m_index.count(key) != 0; }

    size_t Size() const { return m_index.size(); }
    // The estimated memory of the names kept.
    size_t Bytes() const { return m_intBytes; }
    // Names dropped to stay within the bound, since construction.
    uint64_t Evictions() const { return m_qwordEvictions; }

private:
    struct Entry
    {
        uint64_t key;
        std::wstring name;
    };
    using Order = std::list<Entry>;

    static size_t CostOf(const std::wstring& name)
    {
        return EntryOverheadBytes + name.capacity() * sizeof(wchar_t);
    }
    void Erase(Order::iterator entry);
    // Drops least recently used names until the bound holds; the most recent one always stays.
    void Trim();

    // Most recently used first.
    Order m_order;
    std::unordered_map<uint64_t, Order::iterator> m_index;
    size_t m_intByteLimit;
    size_t m_intBytes = 0;
    uint64_t m_qwordEvictions = 0;
};
