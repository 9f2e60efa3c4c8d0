#include "engine/PathCache.h"

#include <functional>

size_t CQPathCache::SlotOf(std::wstring_view path)
{
    return std::hash<std::wstring_view>()(path) & (kSlots - 1);
}

CQTreeItem* CQPathCache::Find(std::wstring_view path) const
{
    if (!m_pSlots)
        return nullptr;
    const Slot& slot = m_pSlots[SlotOf(path)];
    return slot.item != nullptr && slot.path == path ? slot.item : nullptr;
}

void CQPathCache::Remember(std::wstring_view path, CQTreeItem* item)
{
    if (path.size() > kLongestPath)
        return;
    if (!m_pSlots)
        m_pSlots.reset(new Slot[kSlots]);
    Slot& slot = m_pSlots[SlotOf(path)];
    // Assigning keeps the slot's storage when it is large enough: a steady flow allocates nothing here.
    slot.path.assign(path);
    slot.item = item;
}

void CQPathCache::Clear()
{
    if (!m_pSlots)
        return;
    for (size_t i = 0; i < kSlots; ++i)
        m_pSlots[i].item = nullptr;
}
