// Lookup of a folder's children by case-insensitive name, so that folders of many thousands of files do not
// cost a scan per new path. It maps each folded name to the first child that carries it, and follows the
// children array: children appended since the last lookup are picked up then.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/ChildArray.h"

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
    CQTreeItem* Find(const CQChildArray& children, const wchar_t* name, size_t length, uint32_t hash);

private:
    // A slot holds a child's position (kFree when free). Probing compares the children array's tag byte of
    // that position first, so a child's name is read only when its tag agrees.
    static constexpr int32_t kFree = -1;

    void Sync(const CQChildArray& children);
    void Reset();
    void InsertIfAbsent(const CQChildArray& children, int32_t position, uint32_t hash);
    void Grow(const CQChildArray& children);

    int32_t* m_pSlots = nullptr; // open addressing with linear probing
    uint32_t m_dwordMask = 0;    // slot count - 1; the slot count is a power of 2
    uint32_t m_dwordUsed = 0;
    int32_t m_intIndexed = 0; // children[0 .. m_intIndexed - 1] are in the table
};
