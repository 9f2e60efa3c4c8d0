// The resolved paths seen last, with their items in the collected tree: a hit spares the processing
// thread the split of the path and the walk down the tree. It only saves walks, so it is bounded: a fixed
// number of slots, each path in the slot its hash picks (a newer path takes the slot over), and paths too
// long to be worth a slot are not kept. It costs the same after a million paths as after a hundred.
//
// Not locked: the monitor's data lock guards it with the tree, and Clear must run whenever items go.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class CQTreeItem;

class CQPathCache
{
public:
    // The item remembered for exactly this spelling of the path, or none.
    CQTreeItem* Find(const std::wstring& path) const;
    void Remember(const std::wstring& path, CQTreeItem* item);
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
    static size_t SlotOf(const std::wstring& path);

    std::unique_ptr<Slot[]> m_pSlots; // made at the first Remember
};
