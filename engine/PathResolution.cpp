// From a kernel device path to a drive-letter path and on to its item in the collected tree.
#include <windows.h>

#include <cwchar>

#include "engine/Monitor.h"
#include "data/NameCompare.h"
#include "data/SplitPath.h"

namespace
{
const wchar_t kVolumePrefix[] = L"\\Device\\HarddiskVolume";
const size_t kVolumePrefixLength = 22;

// _wcsnicmp against the prefix, without the runtime library's locale work (microseconds a call under Wine):
// the prefix's letters are ASCII, so folding the path's units is all it takes.
bool HasVolumePrefix(const wchar_t* path)
{
    // The kernel spells it exactly so: the folding is for anything else.
    if (wmemcmp(path, kVolumePrefix, kVolumePrefixLength) == 0)
        return true;
    for (size_t i = 0; i < kVolumePrefixLength; ++i)
    {
        if (FoldNameChar(path[i]) != FoldNameChar(kVolumePrefix[i]))
            return false;
    }
    return true;
}
} // namespace

BOOL CQMonitor::ResolvePath(const std::wstring& devicePath, std::wstring& resolved)
{
    if (devicePath.empty())
    {
        resolved.assign(L"#:\\unknown.file");
        return 1;
    }

    size_t slash = std::wstring::npos;
    if (devicePath.size() >= kVolumePrefixLength - 1)
        slash = devicePath.find(L'\\', kVolumePrefixLength - 1);

    const wchar_t* key = devicePath.c_str();
    size_t keyLength = devicePath.size();
    const wchar_t* rest = L"";
    size_t restLength = 0;
    if (slash != std::wstring::npos)
    {
        key = devicePath.c_str() + kVolumePrefixLength;
        keyLength = slash >= kVolumePrefixLength ? slash - kVolumePrefixLength : 0;
        if (slash < kVolumePrefixLength)
            key = devicePath.c_str() + slash;
        rest = devicePath.c_str() + slash;
        restLength = devicePath.size() - slash;
    }

    // Only volumes under \Device\HarddiskVolume have drive letters here; any other device (a network
    // redirector, a CD) must not match a volume number by accident.
    const bool harddiskVolume =
        devicePath.size() >= kVolumePrefixLength && HasVolumePrefix(devicePath.c_str());

    const CQDriveItem* drive = nullptr;
    if (harddiskVolume)
    {
        const int count = m_arrDrives.GetSize();
        for (int i = 0; i < count; ++i)
        {
            const CQDriveItem* candidate = m_arrDrives[i];
            if (candidate->m_csVolumeSuffix.size() == keyLength &&
                wmemcmp(candidate->m_csVolumeSuffix.c_str(), key, keyLength) == 0)
            {
                drive = candidate;
                break;
            }
        }
    }

    if (drive != nullptr && !drive->m_csLetter.empty())
    {
        resolved.assign(drive->m_csLetter);
        resolved.append(rest, restLength);
    }
    else
    {
        resolved.assign(L"#:");
        resolved.append(devicePath);
    }
    return 1;
}

CQTreeItem* CQMonitor::FindOrCreateItem(const std::wstring& resolvedPath)
{
    if (CQTreeItem* cached = m_pathCache.Find(resolvedPath))
        return cached;
    CQTreeItem* item = FindOrCreateUncached(resolvedPath);
    if (item != nullptr)
        m_pathCache.Remember(resolvedPath, item);
    return item;
}

CQTreeItem* CQMonitor::FindOrCreateUncached(const std::wstring& resolvedPath)
{
    const std::wstring_view last = LastComponent(resolvedPath);
    if (last.empty())
        return nullptr;
    const std::wstring_view folderPart(resolvedPath.data(),
                                       static_cast<size_t>(last.data() - resolvedPath.data()));

    // Kept between calls (only the processing thread comes here): no allocation per new path.
    std::vector<std::wstring_view>& parts = m_arrPathParts;
    CQTreeItem* reached = m_folderCache.Find(folderPart);
    size_t missing = 0;
    CQTreeItemFolder* folder = nullptr;
    if (reached == nullptr)
    {
        parts.clear();
        SplitPath(resolvedPath, parts);
        parts.pop_back();
        reached = m_root.Walk(parts, missing, folder);
        parts.push_back(last);
        if (reached != nullptr)
            m_folderCache.Remember(folderPart, reached);
    }
    if (reached != nullptr)
    {
        // A file ends the walk; below a folder one lookup is left.
        if (reached->GetType() != 1)
            return reached;
        folder = static_cast<CQTreeItemFolder*>(reached);
        if (CQTreeItem* child = folder->FindChild(last))
            return child;
        parts.assign(1, last);
        missing = 0;
    }

    // Only an item to be made needs the file system: whether the path is a folder on the disk decides the
    // kind of its last component.
    const DWORD attributes = GetFileAttributesW(resolvedPath.c_str());
    const BOOL isFile =
        (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) ? 1 : 0;
    CQTreeItem* item = folder->FindOrInsert(parts, missing, isFile);
    // Made down to the last component: its parent is the folder part's item.
    if (reached == nullptr)
        m_folderCache.Remember(folderPart, item->m_pParent);
    return item;
}
