// Shared helpers of the item tree tests.
#pragma once

#include <string>
#include <vector>

#include "data/SplitPath.h"
#include "data/TreeItemFolder.h"
#include "data/TreeObserver.h"

// The root as the monitor holds it.
struct TestRoot : CQTreeItemFolder
{
    TestRoot() { m_row.SetHandle(TVI_ROOT); }
};

inline CQTreeItem* InsertPath(CQTreeItemFolder& root, const std::wstring& path, BOOL isFile = 1)
{
    std::vector<std::wstring_view> parts;
    SplitPath(path, parts);
    return root.FindOrInsert(parts, 0, isFile);
}

inline std::wstring FullPath(const CQTreeItem* item)
{
    std::wstring text;
    item->AppendFullPath(text);
    return text;
}

// Records the items reported as created; installed for the life of the object.
class RecordingObserver : public ITreeItemObserver
{
public:
    RecordingObserver() { SetTreeItemObserver(this); }
    ~RecordingObserver() { SetTreeItemObserver(nullptr); }
    RecordingObserver(const RecordingObserver&) = delete;
    RecordingObserver& operator=(const RecordingObserver&) = delete;

    void OnItemCreated(CQTreeItem* item) override
    {
        // Already in its parent's children, as the last one, when reported.
        const CQTreeItem* parent = item->m_pParent;
        const int count = parent != nullptr ? parent->m_arrChildren.GetSize() : 0;
        appendedFirst.push_back(count > 0 && parent->m_arrChildren[count - 1] == item);
        items.push_back(item);
    }

    std::vector<CQTreeItem*> items;
    std::vector<bool> appendedFirst;
};
