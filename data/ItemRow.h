// What a tree item has only while it has a row in the files tree view: the row's handle, its label (the
// row's text) and whether that label is current. Only items whose rows have been shown ever need these, so
// they live in a store shared by the whole process and the item keeps a 32-bit slot number (0: nothing),
// where a handle, a label and a flag in every item would take 20 bytes.
//
// The label is a std::wstring: GetLabel() stays valid until the label is next set, or the slot goes.
// Slots are taken and given back under the store's own lock; a slot's contents are read and written by
// whoever owns the item (the processing thread and the files tree view hold the monitor's data lock).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

class CQItemRow
{
public:
    CQItemRow() noexcept = default;
    ~CQItemRow() { Clear(); }
    CQItemRow(const CQItemRow&) = delete;
    CQItemRow& operator=(const CQItemRow&) = delete;

    // The row in the files tree view (TVI_ROOT for the tree's root), or none.
    HTREEITEM GetHandle() const;
    // None gives the slot back, label and all: a row's label is built again when the row is shown again.
    void SetHandle(HTREEITEM handle);

    // The label: zero-terminated, "" when there is none.
    const wchar_t* GetLabel() const;
    size_t GetLabelLength() const;
    // Sets the label and marks it current.
    void SetLabel(const wchar_t* text, size_t length);
    // Whether the label was set since the counters it shows last changed; never without a label.
    bool IsLabelCurrent() const;
    // The counters changed: the label is rebuilt before it is shown again. Every write calls it for every
    // ancestor, nearly all of which have no row.
    void Invalidate() noexcept
    {
        if (m_dwordSlot != 0)
            MarkStale();
    }

    // Forgets handle and label.
    void Clear() noexcept;

private:
    void MarkStale() noexcept;

    uint32_t m_dwordSlot = 0;
};
