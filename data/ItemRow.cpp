#include "data/ItemRow.h"

#include <new>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kSlotsPerPageBits = 12;
constexpr uint32_t kSlotsPerPage = 1u << kSlotsPerPageBits;
constexpr uint32_t kMaxPages = 1u << 12;

struct RowSlot
{
    std::wstring label;
    HTREEITEM handle = nullptr;
    bool current = false;
};

// Pages of slots that never move or go away, so a slot is read without the lock; the lock guards which
// slots are free.
struct RowStore
{
    SRWLOCK lock = SRWLOCK_INIT;
    RowSlot* pages[kMaxPages] = {};
    uint32_t used = 1; // slot 0 means "no row"
    std::vector<uint32_t> free;

    RowSlot& Slot(uint32_t slot) { return pages[slot >> kSlotsPerPageBits][slot & (kSlotsPerPage - 1)]; }

    uint32_t Take()
    {
        AcquireSRWLockExclusive(&lock);
        uint32_t slot = 0;
        try
        {
            if (!free.empty())
            {
                slot = free.back();
                free.pop_back();
            }
            else if (used < kMaxPages * kSlotsPerPage)
            {
                const uint32_t page = used >> kSlotsPerPageBits;
                if (pages[page] == nullptr)
                    pages[page] = new RowSlot[kSlotsPerPage];
                slot = used++;
            }
        }
        catch (...)
        {
            ReleaseSRWLockExclusive(&lock);
            throw;
        }
        ReleaseSRWLockExclusive(&lock);
        if (slot == 0)
            throw std::bad_alloc();
        return slot;
    }

    void Give(uint32_t slot) noexcept
    {
        // The label's storage goes too: a label is set again only when its row is shown again.
        RowSlot& row = Slot(slot);
        std::wstring().swap(row.label);
        row.handle = nullptr;
        row.current = false;
        AcquireSRWLockExclusive(&lock);
        try
        {
            free.push_back(slot);
        }
        catch (...)
        {
            // Without room to remember it the slot stays unused; nothing else is lost.
        }
        ReleaseSRWLockExclusive(&lock);
    }
};

RowStore& Store()
{
    // Never destroyed: items of static objects may give their slots back after it otherwise.
    static RowStore* store = new RowStore;
    return *store;
}
} // namespace

HTREEITEM CQItemRow::GetHandle() const
{
    return m_dwordSlot != 0 ? Store().Slot(m_dwordSlot).handle : nullptr;
}

void CQItemRow::SetHandle(HTREEITEM handle)
{
    if (handle == nullptr)
    {
        Clear();
        return;
    }
    if (m_dwordSlot == 0)
        m_dwordSlot = Store().Take();
    Store().Slot(m_dwordSlot).handle = handle;
}

const wchar_t* CQItemRow::GetLabel() const
{
    return m_dwordSlot != 0 ? Store().Slot(m_dwordSlot).label.c_str() : L"";
}

size_t CQItemRow::GetLabelLength() const
{
    return m_dwordSlot != 0 ? Store().Slot(m_dwordSlot).label.length() : 0;
}

void CQItemRow::SetLabel(const wchar_t* text, size_t length)
{
    if (m_dwordSlot == 0)
        m_dwordSlot = Store().Take();
    RowSlot& row = Store().Slot(m_dwordSlot);
    row.label.assign(text, length);
    row.current = true;
}

bool CQItemRow::IsLabelCurrent() const
{
    return m_dwordSlot != 0 && Store().Slot(m_dwordSlot).current;
}

void CQItemRow::MarkStale() noexcept
{
    Store().Slot(m_dwordSlot).current = false;
}

void CQItemRow::Clear() noexcept
{
    if (m_dwordSlot == 0)
        return;
    Store().Give(m_dwordSlot);
    m_dwordSlot = 0;
}
