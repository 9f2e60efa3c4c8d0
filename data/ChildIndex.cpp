#include "data/ChildIndex.h"

#include <cstring>
#include <new>

#include "data/NameCompare.h"
#include "data/TreeItem.h"

namespace
{
constexpr uint32_t kInitialSlots = 64;

bool HasName(const CQTreeItem* child, const wchar_t* name, size_t length)
{
    return NamesEqualNoCase(child->m_csName.c_str(), child->m_csName.length(), name, length);
}
} // namespace

CQChildIndex::~CQChildIndex()
{
    ::operator delete(m_pSlots);
}

CQTreeItem* CQChildIndex::Find(const CQPtrArray<CQTreeItem>& children, const wchar_t* name, size_t length)
{
    Sync(children);
    if (m_pSlots == nullptr)
        return nullptr;
    for (uint32_t slot = static_cast<uint32_t>(HashNameNoCase(name, length)) & m_dwordMask;;
         slot = (slot + 1) & m_dwordMask)
    {
        CQTreeItem* child = m_pSlots[slot];
        if (child == nullptr)
            return nullptr;
        if (HasName(child, name, length))
            return child;
    }
}

void CQChildIndex::Sync(const CQPtrArray<CQTreeItem>& children)
{
    const int count = children.GetSize();
    // Children are only ever appended while the index exists; anything else means the array was emptied
    // and refilled behind the index's back, so start again.
    if (count < m_intIndexed || (m_intIndexed > 0 && children[m_intIndexed - 1] != m_pLastIndexed))
        Reset();
    for (; m_intIndexed < count; ++m_intIndexed)
    {
        CQTreeItem* child = children[m_intIndexed];
        if (child != nullptr)
            InsertIfAbsent(child);
        m_pLastIndexed = child;
    }
}

void CQChildIndex::Reset()
{
    if (m_pSlots != nullptr)
        std::memset(m_pSlots, 0, sizeof(CQTreeItem*) * (size_t(m_dwordMask) + 1));
    m_dwordUsed = 0;
    m_intIndexed = 0;
    m_pLastIndexed = nullptr;
}

void CQChildIndex::InsertIfAbsent(CQTreeItem* child)
{
    // Keep the load below three quarters so that probe runs stay short.
    if (m_pSlots == nullptr || (size_t(m_dwordUsed) + 1) * 4 > (size_t(m_dwordMask) + 1) * 3)
        Grow();
    const wchar_t* name = child->m_csName.c_str();
    const size_t length = child->m_csName.length();
    uint32_t slot = static_cast<uint32_t>(HashNameNoCase(name, length)) & m_dwordMask;
    for (;; slot = (slot + 1) & m_dwordMask)
    {
        const CQTreeItem* present = m_pSlots[slot];
        if (present == nullptr)
            break;
        // An earlier child with the same name keeps the place: lookups find the first match.
        if (HasName(present, name, length))
            return;
    }
    m_pSlots[slot] = child;
    ++m_dwordUsed;
}

void CQChildIndex::Grow()
{
    const size_t oldSlots = m_pSlots != nullptr ? size_t(m_dwordMask) + 1 : 0;
    const size_t newSlots = oldSlots != 0 ? oldSlots * 2 : kInitialSlots;
    if (newSlots > (size_t(1) << 31))
        throw std::bad_alloc();
    CQTreeItem** oldTable = m_pSlots;
    m_pSlots = static_cast<CQTreeItem**>(::operator new(sizeof(CQTreeItem*) * newSlots));
    std::memset(m_pSlots, 0, sizeof(CQTreeItem*) * newSlots);
    m_dwordMask = static_cast<uint32_t>(newSlots - 1);
    // Re-placing the old entries keeps first-match order: each name is in the table only once.
    for (size_t i = 0; i < oldSlots; ++i)
    {
        CQTreeItem* child = oldTable[i];
        if (child == nullptr)
            continue;
        uint32_t slot =
            static_cast<uint32_t>(HashNameNoCase(child->m_csName.c_str(), child->m_csName.length())) &
            m_dwordMask;
        while (m_pSlots[slot] != nullptr)
            slot = (slot + 1) & m_dwordMask;
        m_pSlots[slot] = child;
    }
    ::operator delete(oldTable);
}
