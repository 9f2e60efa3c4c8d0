// Resolved paths seen last, each with the item that the walk down the collected tree reaches for it: a hit
// spares the processing thread the split and the walk. The monitor keeps two: whole paths, for the writes
// that repeat, and folder parts (a path up to its last component), which leave one lookup among that
// folder's children and serve the many files of few folders. They only save walks, so they are bounded: a
// fixed number of slots, each path in the slot its hash picks (a newer one takes the slot over), and paths
// too long to be worth a slot are not kept. They cost the same after a million paths as after a hundred.
//
// Not locked: the monitor's data lock guards them with the tree, and Clear must run whenever items go.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class CQTreeItem;

class CQPathCache
{
public:
    // The item remembered for exactly this spelling, or none.
    CQTreeItem* Find(std::wstring_view path) const;
    void Remember(std::wstring_view path, CQTreeItem* item);
    // Forgets every item; the slots keep their storage.
    void Clear();

private:
    static constexpr size_t kSlots = 4096;
    static constexpr size_t kLongestPath = 260;

    struct Slot
    {
        std::wstring path;
        CQTreeItem* item = nullptr;
    };
    static size_t SlotOf(std::wstring_view path);

    std::unique_ptr<Slot[]> m_pSlots; // made at the first Remember
};
