// Lookup of a folder's children by case-insensitive name, so that folders of many thousands of files do not
// cost a scan per new path. It maps each folded name to the first child that carries it, and follows the
// children array: children appended since the last lookup are picked up then.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/PtrArray.h"

class CQTreeItem;

class CQChildIndex
{
public:
    CQChildIndex() = default;
    ~CQChildIndex();
    CQChildIndex(const CQChildIndex&) = delete;
    CQChildIndex& operator=(const CQChildIndex&) = delete;

    // The first child of children whose name matches name (with HashNameNoCase hash), or none. Indexes the
    // children appended since the last call first.
    CQTreeItem* Find(const CQPtrArray<CQTreeItem>& children, const wchar_t* name, size_t length,
                     uint32_t hash);

private:
    // A slot holds the name hash and the child's position, so probing reads no child until the hashes agree.
    struct Slot
    {
        uint32_t hash;
        int32_t child; // position in the children array; kFree when the slot is free
    };
    static constexpr int32_t kFree = -1;

    void Sync(const CQPtrArray<CQTreeItem>& children);
    void Reset();
    void InsertIfAbsent(const CQPtrArray<CQTreeItem>& children, int32_t position);
    void Grow();

    Slot* m_pSlots = nullptr; // open addressing with linear probing
    uint32_t m_dwordMask = 0; // slot count - 1; the slot count is a power of 2
    uint32_t m_dwordUsed = 0;
    int32_t m_intIndexed = 0;                   // children[0 .. m_intIndexed - 1] are in the table
    const CQTreeItem* m_pLastIndexed = nullptr; // children[m_intIndexed - 1], to notice a replaced array
};
