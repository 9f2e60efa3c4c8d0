// An item of the collected-data tree: a drive, folder or file with the bytes written to it and below it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/ChildArray.h"
#include "data/ItemRow.h"
#include "data/LinkArray.h"
#include "data/Object.h"
#include "data/ProcessLink.h"
#include "data/PtrArray.h"

class CQProcess;
class CQTreeArena;
class CQTreeReader;
class CQTreeWriter;

class CQTreeItem : public CQObject
{
public:
    CQTreeItem() = default;
    // Destroys the whole subtree, then the process links.
    ~CQTreeItem() override;

    // Item record of the saved data file (data/ObjectStorage.cpp).
    BOOL Save(CQTreeWriter& writer) const;
    BOOL Load(CQTreeReader& reader);

    // Appends the item's path: the parent's path, the name and, for a folder, a backslash.
    virtual void AppendFullPath(std::wstring& text) const = 0;
    // The item for parts[index] and below, created where missing; parts is the output of SplitPath.
    virtual CQTreeItem* FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index,
                                     BOOL isFile) = 0;
    // Fills what the mask of item asks for: image, selected image, child count, label. Returns 1. The
    // label pointer stays valid until the label is next rebuilt.
    virtual BOOL GetDispInfo(TVITEMW* item);
    // Index in the tree view's image list: 0 drive, 1 folder, 2 file.
    virtual int GetImage() const = 0;
    // Deletes every item below this one; the item's own counters and links stay as they are.
    virtual void RemoveAllChildren();

    // Counts a write of size bytes on this item, its process (if any) and its ancestors.
    void AddWrite(uint64_t size, const CQProcess* process);
    // Adds size to the subtree totals of this item and every ancestor up to the root.
    void AddWrittenToAncestors(uint64_t size);
    // Adds size to this item's link for the process, appending the link first if it has none.
    void AddProcessWrite(const CQProcess* process, uint64_t size);
    // Bytes written to this item and everything below it, summed afresh.
    uint64_t SumWritten() const;
    // Adds this item's links (and, with withSubitems, those of everything below it) to totals, one entry
    // per process index in order of first appearance.
    void CollectProcessTotals(CQPtrAutoArray<CQProcessLink>& totals, BOOL withSubitems) const;
    // Label: the name, " ( ", the subtree total as a size, " )".
    void BuildDisplayText();
    // The arena of this item's tree, which its topmost folder owns (made when first needed): every item
    // below that folder lives in it, and so do the names and arrays of all the tree's items. An item whose
    // topmost item is not a folder has no tree to take memory from: std::logic_error.
    CQTreeArena& GetTreeArena();

    // Size rounded up to a multiple of 4096, wrapping like every counter.
    static uint64_t AlignSize(uint64_t size)
    {
        return (size & 0xFFF) == 0 ? size : (size & ~uint64_t(0xFFF)) + 4096;
    }

    CQItemRow m_row; // the row in the files tree view, with its label
    CQLinkArray m_arrProcessLinks;
    CQTreeItem* m_pParent = nullptr; // owns this item; none for the root
    CQChildArray m_arrChildren;
    // These three are saved and loaded as one 24-byte block, in this order.
    uint64_t m_qwordWrittenWithSubitems = 0;
    uint64_t m_qwordWritten = 0;
    uint64_t m_qwordWrittenAligned = 0;

protected:
    // Parent chain from the topmost ancestor down to the parent, each with its part of the path.
    void AppendAncestorsPath(std::wstring& text) const;
    // Appends a backslash the way a folder ends its path.
    static void AppendFolderSeparator(std::wstring& text);

    // Destroys the children and their subtrees without recursion, so a deep tree cannot exhaust the stack.
    // Each item is destroyed in place: its memory belongs to the arena.
    void DestroyChildren();
};

// A new, empty file (folder when isFolder) item in arena.
CQTreeItem* NewTreeItem(bool isFolder, CQTreeArena& arena);
// Destroys item and everything below it, in place.
void DestroyTreeItem(CQTreeItem* item);
