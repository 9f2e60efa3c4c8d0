#include "data/TreeItemFile.h"

#if defined(__GNUC__) && defined(_WIN64)
// The label slot and the display flag share the word after the name (the base's tail padding).
static_assert(sizeof(CQTreeItemFile) == 80, "a file item is 80 bytes");
#endif

void CQTreeItemFile::AppendFullPath(std::wstring& text) const
{
    AppendAncestorsPath(text);
    m_csName.AppendTo(text);
}

CQTreeItem* CQTreeItemFile::FindOrInsert(const std::vector<std::wstring_view>&, size_t, BOOL)
{
    return this;
}

int CQTreeItemFile::GetImage() const
{
    return 2;
}
