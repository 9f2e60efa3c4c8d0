#include "data/ChildIndex.h"

#include <new>

#include "data/NameCompare.h"
#include "data/TreeItem.h"

namespace
{
constexpr uint32_t kInitialSlots = 32;

bool HasName(const CQTreeItem* child, const wchar_t* name, size_t length)
{
    return NamesEqualNoCase(child->m_csName.c_str(), child->m_csName.length(), name, length);
}
} // namespace

CQChildIndex::~CQChildIndex()
{
    ::operator delete(m_pSlots);
}

CQTreeItem* CQChildIndex::Find(const CQPtrArray<CQTreeItem>& children, const wchar_t* name, size_t length,
                               uint32_t hash)
{
    Sync(children);
    if (m_pSlots == nullptr)
        return nullptr;
    for (uint32_t slot = hash & m_dwordMask;; slot = (slot + 1) & m_dwordMask)
    {
        const Slot& entry = m_pSlots[slot];
        if (entry.child == kFree)
            return nullptr;
        if (entry.hash == hash)
        {
            CQTreeItem* child = children[entry.child];
            if (HasName(child, name, length))
                return child;
        }
    }
}

void CQChildIndex::Sync(const CQPtrArray<CQTreeItem>& children)
{
    const int count = children.GetSize();
    if (count == m_intIndexed)
        return;
    // Children are only ever appended while the index exists; anything else means the array was emptied
    // and refilled behind the index's back, so start again.
    if (count < m_intIndexed || (m_intIndexed > 0 && children[m_intIndexed - 1] != m_pLastIndexed))
        Reset();
    for (; m_intIndexed < count; ++m_intIndexed)
    {
        if (children[m_intIndexed] != nullptr)
            InsertIfAbsent(children, m_intIndexed);
        m_pLastIndexed = children[m_intIndexed];
    }
}

void CQChildIndex::Reset()
{
    for (uint32_t i = 0; m_pSlots != nullptr && i <= m_dwordMask; ++i)
        m_pSlots[i].child = kFree;
    m_dwordUsed = 0;
    m_intIndexed = 0;
    m_pLastIndexed = nullptr;
}

void CQChildIndex::InsertIfAbsent(const CQPtrArray<CQTreeItem>& children, int32_t position)
{
    // Keep the load below three quarters so that probe runs stay short.
    if (m_pSlots == nullptr || (size_t(m_dwordUsed) + 1) * 4 > (size_t(m_dwordMask) + 1) * 3)
        Grow();
    CQTreeItem* child = children[position];
    const uint32_t hash = child->GetNameHash();
    uint32_t slot = hash & m_dwordMask;
    for (;; slot = (slot + 1) & m_dwordMask)
    {
        const Slot& entry = m_pSlots[slot];
        if (entry.child == kFree)
            break;
        // An earlier child with the same name keeps the place: lookups find the first match.
        if (entry.hash == hash &&
            HasName(children[entry.child], child->m_csName.c_str(), child->m_csName.length()))
            return;
    }
    m_pSlots[slot] = {hash, position};
    ++m_dwordUsed;
}

void CQChildIndex::Grow()
{
    const size_t oldSlots = m_pSlots != nullptr ? size_t(m_dwordMask) + 1 : 0;
    const size_t newSlots = oldSlots != 0 ? oldSlots * 2 : kInitialSlots;
    if (newSlots > (size_t(1) << 31))
        throw std::bad_alloc();
    Slot* oldTable = m_pSlots;
    m_pSlots = static_cast<Slot*>(::operator new(sizeof(Slot) * newSlots));
    for (size_t i = 0; i < newSlots; ++i)
        m_pSlots[i].child = kFree;
    m_dwordMask = static_cast<uint32_t>(newSlots - 1);
    // The stored hashes place the old entries again without reading a child; each name is in the table
    // once, so first-match order is kept.
    for (size_t i = 0; i < oldSlots; ++i)
    {
        if (oldTable[i].child == kFree)
            continue;
        uint32_t slot = oldTable[i].hash & m_dwordMask;
        while (m_pSlots[slot].child != kFree)
            slot = (slot + 1) & m_dwordMask;
        m_pSlots[slot] = oldTable[i];
    }
    ::operator delete(oldTable);
}
