// A folder of the collected-data tree; drives and the root are folders too.
#pragma once

#include <memory>

#include "data/TreeItem.h"

class CQChildIndex;

class CQTreeItemFolder : public CQTreeItem
{
public:
    CQTreeItemFolder();
    ~CQTreeItemFolder() override;

    DWORD GetType() const override;
    void AppendFullPath(std::wstring& text) const override;
    // Follows parts[index..] down the tree, creating the missing items; the last one is a file when isFile
    // is set. Names match case-insensitively; the first matching child in creation order wins.
    CQTreeItem* FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index, BOOL isFile) override;
    int GetImage() const override;
    // For the topmost folder this also gives the tree's arena back to the system.
    void RemoveAllChildren() override;

    // Follows parts[index..] down the items that exist. Returns what FindOrInsert would return when it has
    // nothing to make (the item of the last part, or a file that ends the walk); otherwise none, with folder
    // the deepest folder reached and index the first part that it lacks.
    CQTreeItem* Walk(const std::vector<std::wstring_view>& parts, size_t& index, CQTreeItemFolder*& folder);

    // Appends a new child named name, a file when isFile is non-zero, and announces it to the observer.
    CQTreeItem* AddFileChild(std::wstring_view name, BOOL isFile);

    // The first child whose name matches case-insensitively, or none.
    CQTreeItem* FindChild(std::wstring_view name);

    // The arena of the tree whose topmost item this folder is (made on first use); see GetTreeArena.
    CQTreeArena& ProvideArena();

private:
    // What only some folders need: a lookup index for many children, the arena of a topmost folder.
    struct Extras;

    // AddFileChild with the tree's arena at hand.
    CQTreeItem* MakeChild(std::wstring_view name, BOOL isFile, CQTreeArena& arena);
    // The arena goes, after this folder's own name and arrays, which live in it, have been let go.
    void ReleaseArena();

    std::unique_ptr<Extras> m_pExtras;
};
