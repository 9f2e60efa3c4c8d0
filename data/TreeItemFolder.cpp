#include "data/TreeItemFolder.h"

#include <cstring>

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
// The label slot and the display flag share the word after the name (the base's tail padding).
static_assert(sizeof(CQTreeItemFolder) == 88, "a folder item is 88 bytes");
#endif

CQTreeItemFolder::CQTreeItemFolder() = default;

CQTreeItemFolder::~CQTreeItemFolder()
{
    // Before the members go: the children may live in this folder's arena.
    DestroyChildren();
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

CQTreeItem* CQTreeItemFolder::FindOrInsert(const std::vector<std::wstring_view>& parts, size_t index,
                                           BOOL isFile)
{
    // A loop rather than a call per level: each step goes one folder down, and a file ends the walk (a
    // file's FindOrInsert returns the file itself whatever parts remain).
    CQTreeItemFolder* folder = this;
    CQTreeArena* arena = nullptr;
    bool arenaKnown = false;
    const size_t count = parts.size();
    for (; index < count; ++index)
    {
        const std::wstring_view name = parts[index];
        const uint32_t hash = HashNameNoCase(name.data(), name.size());
        CQTreeItem* child = folder->FindChild(name, hash);
        if (child == nullptr)
        {
            if (!arenaKnown)
            {
                arena = GetTreeArena();
                arenaKnown = true;
            }
            child = folder->MakeChild(name, hash, isFile && index + 1 == count, arena);
        }
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
    DestroyChildren();
    if (!m_pExtras)
        return;
    m_pExtras->index.reset();
    // Only this folder's own subtree was made from its arena, and it is gone.
    if (m_pExtras->arena)
        m_pExtras->arena->Reset();
}

CQTreeItem* CQTreeItemFolder::AddFileChild(std::wstring_view name, BOOL isFile)
{
    return MakeChild(name, HashNameNoCase(name.data(), name.size()), isFile, GetTreeArena());
}

CQTreeItem* CQTreeItemFolder::MakeChild(std::wstring_view name, uint32_t hash, BOOL isFile,
                                        CQTreeArena* arena)
{
    CQTreeItem* child = NewTreeItem(!isFile, arena);
    child->m_csName.Assign(name.data(), name.size(), arena);
    child->m_pParent = this;
    // This folder's own array comes from the arena only when the folder lives in it (not the topmost one).
    m_arrChildren.Append(child, CQChildArray::TagOf(hash),
                         arena != nullptr && arena->Contains(this) ? arena : nullptr);
    if (ITreeItemObserver* observer = GetTreeItemObserver())
        observer->OnItemCreated(child);
    return child;
}

CQTreeItem* CQTreeItemFolder::FindChild(std::wstring_view name)
{
    return FindChild(name, HashNameNoCase(name.data(), name.size()));
}

CQTreeItem* CQTreeItemFolder::FindChild(std::wstring_view name, uint32_t hash)
{
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
