#include "data/TreeItemFile.h"

void CQTreeItemFile::AppendFullPath(std::wstring& text) const
{
    AppendAncestorsPath(text);
    text.append(m_csName.c_str(), m_csName.length());
}

CQTreeItem* CQTreeItemFile::FindOrInsert(const std::vector<std::wstring_view>&, size_t, BOOL)
{
    return this;
}

int CQTreeItemFile::GetImage() const
{
    return 2;
}
