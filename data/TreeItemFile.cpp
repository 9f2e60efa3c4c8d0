#include "data/TreeItemFile.h"

#if defined(__GNUC__) && defined(_WIN64)
// The row slot and the one process link that most files have fill the 16 bytes after the name.
static_assert(sizeof(CQTreeItemFile) == 72, "a file item is 72 bytes");
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
