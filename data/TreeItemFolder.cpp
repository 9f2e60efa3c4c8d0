#include "data/TreeItemFolder.h"

#include <string>
#include <vector>

#include "data/ChildIndex.h"
#include "data/NameCompare.h"
#include "data/TreeArena.h"
#include "data/TreeItemFile.h"
#include "data/TreeObserver.h"

namespace
{
// Up to this many children the tags are scanned: as quick as a lookup in an index and no memory for it.
constexpr int kScanChildrenLimit = 64;
} // namespace

struct CQTreeItemFolder::Extras
{
    std::unique_ptr<CQChildIndex> index;
    std::unique_ptr<CQTreeArena> arena;
};

#if defined(__GNUC__) && defined(_WIN64)
// The row slot and the one process link that most files have fill the 16 bytes after the name.
static_assert(sizeof(CQTreeItemFolder) == 80, "a folder item is 80 bytes");
#endif

CQTreeItemFolder::CQTreeItemFolder() = default;

CQTreeItemFolder::~CQTreeItemFolder()
{
    // Before the members go: the children live in the arena that this folder may own.
    DestroyChildren();
    if (m_pExtras && m_pExtras->arena)
        ReleaseArena();
}

DWORD CQTreeItemFolder::GetType() const
{
    return 1;
}

void CQTreeItemFolder::AppendFullPath(std::wstring& text) const
{
    AppendAncestorsPath(text);
    m_csName.AppendTo(text);
    AppendFolderSeparator(text);
}

CQTreeItem* CQTreeItemFolder::Walk(const std::vector<std::wstring_view>& parts, size_t& index,
                                   CQTreeItemFolder*& folder)
{
    // A loop rather than a call per level: each step goes one folder down, and a file ends the walk (a
    // file's FindOrInsert returns the file itself whatever parts remain).
    folder = this;
    for (; index < parts.size(); ++index)
    {
        CQTreeItem* child = folder->FindChild(parts[index]);
        if (child == nullptr)
            return nullptr;
        if (child->GetType() != 1)
            return child;
        // Type 1 is this class: the tree holds only files and folders.
        folder = static_cast<CQTreeItemFolder*>(child);
    }
    return folder;
}

CQTreeItem* CQTreeItemFolder::FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index,
                                           BOOL isFile)
{
    CQTreeItemFolder* folder = nullptr;
    if (CQTreeItem* found = Walk(parts, index, folder))
        return found;
    // Below a new item nothing exists yet: the rest of the parts are made one by one.
    CQTreeArena& arena = GetTreeArena();
    for (const size_t count = parts.size();; ++index)
    {
        CQTreeItem* child = folder->MakeChild(parts[index], isFile && index + 1 == count, arena);
        if (index + 1 == count || child->GetType() != 1)
            return child;
        folder = static_cast<CQTreeItemFolder*>(child);
    }
}

int CQTreeItemFolder::GetImage() const
{
    return (m_pParent != nullptr && m_pParent->m_row.GetHandle() == TVI_ROOT) ? 0 : 1;
}

void CQTreeItemFolder::RemoveAllChildren()
{
    DestroyChildren();
    if (!m_pExtras)
        return;
    m_pExtras->index.reset();
    if (!m_pExtras->arena)
        return;
    // The whole tree below this folder is gone, so its arena starts afresh; the folder's own name and links
    // live there too and are kept.
    const std::wstring name = m_csName.str();
    const int count = m_arrProcessLinks.GetSize();
    const std::vector<CQProcessLink> links(m_arrProcessLinks.GetData(), m_arrProcessLinks.GetData() + count);
    ReleaseArena();
    CQTreeArena& arena = ProvideArena();
    m_csName.Assign(name.data(), name.size(), arena);
    m_arrProcessLinks.Reserve(static_cast<uint32_t>(count), arena);
    for (const CQProcessLink& link : links)
        m_arrProcessLinks.Append(link, arena);
}

void CQTreeItemFolder::ReleaseArena()
{
    m_arrChildren.ReleaseStorage();
    m_arrProcessLinks.ReleaseStorage();
    m_csName.Clear();
    m_pExtras->arena->Reset();
}

CQTreeItem* CQTreeItemFolder::AddFileChild(std::wstring_view name, BOOL isFile)
{
    return MakeChild(name, isFile, GetTreeArena());
}

CQTreeItem* CQTreeItemFolder::MakeChild(std::wstring_view name, BOOL isFile, CQTreeArena& arena)
{
    CQTreeItem* child = NewTreeItem(!isFile, arena);
    child->m_csName.Assign(name.data(), name.size(), arena);
    child->m_pParent = this;
    m_arrChildren.Append(child, CQChildArray::TagOf(HashNameNoCase(name.data(), name.size())), arena);
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
        if (!m_pExtras)
            m_pExtras = std::make_unique<Extras>();
        if (!m_pExtras->index)
            m_pExtras->index = std::make_unique<CQChildIndex>();
        return m_pExtras->index->Find(m_arrChildren, name.data(), name.size(), hash);
    }
    // The tags spare reading the items and names of the children that cannot match.
    const uint8_t tag = CQChildArray::TagOf(hash);
    const uint8_t* tags = count != 0 ? m_arrChildren.GetTags() : nullptr;
    for (int i = 0; i < count; ++i)
    {
        if (tags[i] != tag)
            continue;
        CQTreeItem* child = m_arrChildren[i];
        if (child != nullptr && NamesEqualNoCase(child->m_csName, name.data(), name.size()))
            return child;
    }
    return nullptr;
}

CQTreeArena& CQTreeItemFolder::ProvideArena()
{
    if (!m_pExtras)
        m_pExtras = std::make_unique<Extras>();
    if (!m_pExtras->arena)
        m_pExtras->arena = std::make_unique<CQTreeArena>();
    return *m_pExtras->arena;
}
