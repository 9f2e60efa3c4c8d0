#include "data/ChildIndex.h"

#include <new>

#include "data/NameCompare.h"
#include "data/TreeItem.h"

namespace
{
constexpr uint32_t kInitialSlots = 128;
} // namespace

CQChildIndex::~CQChildIndex()
{
    ::operator delete(m_pSlots);
}

CQTreeItem* CQChildIndex::Find(const CQChildArray& children, const wchar_t* name, size_t length,
                               uint32_t hash)
{
    Sync(children);
    if (m_pSlots == nullptr)
        return nullptr;
    const uint8_t tag = CQChildArray::TagOf(hash);
    const uint8_t* tags = children.GetTags();
    for (uint32_t slot = hash & m_dwordMask;; slot = (slot + 1) & m_dwordMask)
    {
        const int32_t position = m_pSlots[slot];
        if (position == kFree)
            return nullptr;
        if (tags[position] == tag)
        {
            CQTreeItem* child = children[position];
            if (NamesEqualNoCase(child->m_csName, name, length))
                return child;
        }
    }
}

void CQChildIndex::Sync(const CQChildArray& children)
{
    // Children are only ever appended while the index exists: emptying the folder drops its index. A
    // shorter array than the one indexed is taken as new all the same.
    const int count = children.GetSize();
    if (count < m_intIndexed)
        Reset();
    for (; m_intIndexed < count; ++m_intIndexed)
    {
        CQTreeItem* child = children[m_intIndexed];
        if (child != nullptr)
            InsertIfAbsent(children, m_intIndexed, HashNameNoCase(child->m_csName));
    }
}

void CQChildIndex::Reset()
{
    for (uint32_t i = 0; m_pSlots != nullptr && i <= m_dwordMask; ++i)
        m_pSlots[i] = kFree;
    m_dwordUsed = 0;
    m_intIndexed = 0;
}

void CQChildIndex::InsertIfAbsent(const CQChildArray& children, int32_t position, uint32_t hash)
{
    // Keep the load below three quarters so that probe runs stay short.
    if (m_pSlots == nullptr || (size_t(m_dwordUsed) + 1) * 4 > (size_t(m_dwordMask) + 1) * 3)
        Grow(children);
    const CQTreeItem* child = children[position];
    const uint8_t tag = CQChildArray::TagOf(hash);
    const uint8_t* tags = children.GetTags();
    uint32_t slot = hash & m_dwordMask;
    for (;; slot = (slot + 1) & m_dwordMask)
    {
        const int32_t other = m_pSlots[slot];
        if (other == kFree)
            break;
        // An earlier child with the same name keeps the place: lookups find the first match.
        if (tags[other] == tag && NamesEqualNoCase(children[other]->m_csName, child->m_csName))
            return;
    }
    m_pSlots[slot] = position;
    ++m_dwordUsed;
}

void CQChildIndex::Grow(const CQChildArray& children)
{
    const size_t oldSlots = m_pSlots != nullptr ? size_t(m_dwordMask) + 1 : 0;
    const size_t newSlots = oldSlots != 0 ? oldSlots * 2 : kInitialSlots;
    if (newSlots > (size_t(1) << 31))
        throw std::bad_alloc();
    int32_t* oldTable = m_pSlots;
    m_pSlots = static_cast<int32_t*>(::operator new(sizeof(int32_t) * newSlots));
    for (size_t i = 0; i < newSlots; ++i)
        m_pSlots[i] = kFree;
    m_dwordMask = static_cast<uint32_t>(newSlots - 1);
    // Each name is in the table once (its first child), so placing the old entries again keeps first-match
    // order; their hashes come from their names.
    for (size_t i = 0; i < oldSlots; ++i)
    {
        const int32_t position = oldTable[i];
        if (position == kFree)
            continue;
        uint32_t slot = HashNameNoCase(children[position]->m_csName) & m_dwordMask;
        while (m_pSlots[slot] != kFree)
            slot = (slot + 1) & m_dwordMask;
        m_pSlots[slot] = position;
    }
    ::operator delete(oldTable);
}
