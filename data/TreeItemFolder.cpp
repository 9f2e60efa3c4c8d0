#include "data/TreeItemFolder.h"

#include "data/ChildIndex.h"
#include "data/NameCompare.h"
#include "data/TreeItemFile.h"
#include "data/TreeObserver.h"

namespace
{
// Up to this many children a scan is as quick as a lookup and costs no memory.
constexpr int kScanChildrenLimit = 12;
} // namespace

CQTreeItemFolder::CQTreeItemFolder() = default;

CQTreeItemFolder::~CQTreeItemFolder() = default;

DWORD CQTreeItemFolder::GetType() const
{
    return 1;
}

void CQTreeItemFolder::AppendFullPath(std::wstring& text) const
{
    AppendAncestorsPath(text);
    text.append(m_csName.c_str(), m_csName.length());
    AppendFolderSeparator(text);
}

CQTreeItem* CQTreeItemFolder::FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index,
                                           BOOL isFile)
{
    // A loop rather than a call per level: each step goes one folder down, and a file ends the walk (a
    // file's FindOrInsert returns the file itself whatever parts remain).
    CQTreeItemFolder* folder = this;
    const size_t count = parts.size();
    for (; index < count; ++index)
    {
        const std::wstring_view name = parts[index];
        CQTreeItem* child = folder->FindChild(name);
        if (child == nullptr)
            child = folder->AddFileChild(name, isFile && index + 1 == count);
        if (child->GetType() != 1)
            return child->FindOrInsert(parts, index + 1, isFile);
        // Type 1 is this class: the tree holds only files and folders.
        folder = static_cast<CQTreeItemFolder*>(child);
    }
    return folder;
}

int CQTreeItemFolder::GetImage() const
{
    return (m_pParent != nullptr && m_pParent->m_hTreeItem == TVI_ROOT) ? 0 : 1;
}

void CQTreeItemFolder::RemoveAllChildren()
{
    m_pChildIndex.reset();
    CQTreeItem::RemoveAllChildren();
}

CQTreeItem* CQTreeItemFolder::AddFileChild(std::wstring_view name, BOOL isFile)
{
    CQTreeItem* child;
    if (isFile)
        child = new CQTreeItemFile;
    else
        child = new CQTreeItemFolder;
    child->m_csName.Assign(name.data(), name.size());
    child->m_dwordNameHash = HashNameNoCase(name.data(), name.size());
    child->m_pParent = this;
    m_arrChildren.Add(child);
    if (ITreeItemObserver* observer = GetTreeItemObserver())
        observer->OnItemCreated(child);
    return child;
}

CQTreeItem* CQTreeItemFolder::FindChild(std::wstring_view name)
{
    const uint32_t hash = HashNameNoCase(name.data(), name.size());
    const int count = m_arrChildren.GetSize();
    if (count > kScanChildrenLimit)
    {
        if (!m_pChildIndex)
            m_pChildIndex = std::make_unique<CQChildIndex>();
        return m_pChildIndex->Find(m_arrChildren, name.data(), name.size(), hash);
    }
    // The hash each child keeps spares reading the names of the children that cannot match.
    for (int i = 0; i < count; ++i)
    {
        CQTreeItem* child = m_arrChildren[i];
        if (child != nullptr && child->GetNameHash() == hash &&
            NamesEqualNoCase(child->m_csName.c_str(), child->m_csName.length(), name.data(), name.size()))
            return child;
    }
    return nullptr;
}
