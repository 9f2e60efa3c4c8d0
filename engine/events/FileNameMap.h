// File names by a 64-bit key (a file key or a file object's address), with a bound on what is kept. The
// names live in two halves: when the newer half is full it becomes the older one and the names of the old
// older half go; a name found in the older half moves back to the newer. So names in use stay, and a map
// that never hears of files closing (no close events are asked for) cannot grow without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

class CQFileNameMap
{
public:
    explicit CQFileNameMap(size_t limitPerHalf);

    void Set(uint64_t key, std::wstring name);
    void Remove(uint64_t key);
    // The name of the key, or null. Valid until the next Set or Remove.
    const std::wstring* Find(uint64_t key);
    size_t Size() const { return m_mapNewer.size() + m_mapOlder.size(); }

private:
    void MakeRoom();

    std::unordered_map<uint64_t, std::wstring> m_mapNewer;
    std::unordered_map<uint64_t, std::wstring> m_mapOlder;
    size_t m_intLimit;
};
