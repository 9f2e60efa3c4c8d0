#include "data/ItemLabel.h"

#include <windows.h>

#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kSlotsPerPageBits = 12;
constexpr uint32_t kSlotsPerPage = 1u << kSlotsPerPageBits;
constexpr uint32_t kMaxPages = 1u << 12;

// Pages of slots that never move or go away, so a slot is read without the lock; the lock guards which
// slots are free.
struct LabelStore
{
    SRWLOCK lock = SRWLOCK_INIT;
    std::wstring* pages[kMaxPages] = {};
    uint32_t used = 1; // slot 0 means "no label"
    std::vector<uint32_t> free;

    std::wstring& Slot(uint32_t slot) { return pages[slot >> kSlotsPerPageBits][slot & (kSlotsPerPage - 1)]; }

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
                    pages[page] = new std::wstring[kSlotsPerPage];
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
        // Its storage goes too: a label is assigned again only when its row is shown again.
        std::wstring().swap(Slot(slot));
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

LabelStore& Store()
{
    // Never destroyed: items of static objects may give their labels back after it otherwise.
    static LabelStore* store = new LabelStore;
    return *store;
}
} // namespace

CQItemLabel& CQItemLabel::operator=(const wchar_t* text)
{
    Assign(text, text != nullptr ? std::wcslen(text) : 0);
    return *this;
}

void CQItemLabel::Assign(const wchar_t* text, size_t length)
{
    if (length == 0)
    {
        Clear();
        return;
    }
    if (m_dwordSlot == 0)
        m_dwordSlot = Store().Take();
    Store().Slot(m_dwordSlot).assign(text, length);
}

void CQItemLabel::Clear() noexcept
{
    if (m_dwordSlot == 0)
        return;
    Store().Give(m_dwordSlot);
    m_dwordSlot = 0;
}

const wchar_t* CQItemLabel::c_str() const
{
    return m_dwordSlot != 0 ? Store().Slot(m_dwordSlot).c_str() : L"";
}

size_t CQItemLabel::length() const
{
    return m_dwordSlot != 0 ? Store().Slot(m_dwordSlot).length() : 0;
}

size_t CQItemLabel::GetSlotsInUse()
{
    LabelStore& store = Store();
    AcquireSRWLockShared(&store.lock);
    const size_t inUse = store.used - 1 - store.free.size();
    ReleaseSRWLockShared(&store.lock);
    return inUse;
}
