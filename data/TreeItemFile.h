// A file of the collected-data tree.
#pragma once

#include "data/TreeItem.h"

class CQTreeItemFile : public CQTreeItem
{
public:
    void AppendFullPath(std::wstring& text) const override;
    // A file ends the walk: writes below a name that is a file are counted on the file.
    CQTreeItem* FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index, BOOL isFile) override;
    int GetImage() const override;
};
