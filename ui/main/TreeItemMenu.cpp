// Mouse handling of the files tree view and the context menu of its rows.
#include "ui/main/TreeItemMenu.h"

#include "app/ShellOpen.h"
#include "data/TreeItem.h"
#include "ui/dialogs/ProcessesDlg.h"
#include "ui/main/TreeCtrl.h"
#include "ui/main/TreeDataLock.h"

namespace
{
UINT TrackWithPopupMenu(HMENU menu, HWND owner, POINT point)
{
    return static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x,
                                              point.y, 0, owner, nullptr));
}

void RunProcessesDialog(CQTreeItem* item, BOOL withSubitems, HWND owner)
{
    CTavrelloProcessesDlg(item, withSubitems, owner).DoModal();
}

// A popup menu destroyed with the object.
class CQPopupMenu
{
public:
    CQPopupMenu() : m_hMenu(::CreatePopupMenu()) {}
    ~CQPopupMenu()
    {
        if (m_hMenu != nullptr)
            ::DestroyMenu(m_hMenu);
    }
    CQPopupMenu(const CQPopupMenu&) = delete;
    CQPopupMenu& operator=(const CQPopupMenu&) = delete;

    HMENU Get() const { return m_hMenu; }

private:
    HMENU m_hMenu;
};
} // namespace

TrackItemMenuFn g_pfnTrackItemMenu = TrackWithPopupMenu;
RunProcessesDlgFn g_pfnRunProcessesDlg = RunProcessesDialog;

std::wstring ContainingFolderPath(const CQTreeItem& item)
{
    std::wstring path;
    if (item.m_pParent != nullptr)
        item.m_pParent->AppendFullPath(path);
    if (path.empty())
        item.AppendFullPath(path);
    return path;
}

void CQTreeCtrl::RememberClickedRow(LPARAM point, BOOL select)
{
    TVHITTESTINFO hit = {};
    // Signed client coordinates, as GET_X_LPARAM and GET_Y_LPARAM take them.
    hit.pt.x = static_cast<short>(LOWORD(point));
    hit.pt.y = static_cast<short>(HIWORD(point));
    HTREEITEM row = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row == nullptr || (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) == 0)
    {
        ForgetClickedRow();
        return;
    }
    if (select)
        Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
    m_hClickedItem = row;
    m_pClickedItem = ItemOfRow(row);
}

void CQTreeCtrl::ForgetClickedRow()
{
    m_hClickedItem = nullptr;
    m_pClickedItem = nullptr;
}

void CQTreeCtrl::OnItemMenu(HWND owner)
{
    if (m_pClickedItem == nullptr)
        return;
    CQPopupMenu menu;
    if (menu.Get() == nullptr)
        return;
    ::AppendMenuW(menu.Get(), MF_STRING, kItemMenuItemOnly, L"Writes to this item only");
    ::AppendMenuW(menu.Get(), MF_STRING, kItemMenuWithChildren, L"This item and its children");
    ::AppendMenuW(menu.Get(), MF_STRING, kItemMenuOpenFolder, L"Open containing folder");

    ::SetForegroundWindow(owner);
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    const UINT command = g_pfnTrackItemMenu(menu.Get(), owner, cursor);

    // The menu ran its own message loop: the rows (and with them the clicked item) may be gone.
    CQTreeItem* item = m_pClickedItem;
    if (item == nullptr)
        return;
    switch (command)
    {
    case kItemMenuItemOnly:
        g_pfnRunProcessesDlg(item, FALSE, owner);
        break;
    case kItemMenuWithChildren:
        g_pfnRunProcessesDlg(item, TRUE, owner);
        break;
    case kItemMenuOpenFolder:
    {
        std::wstring path;
        {
            CQTreeDataLock lock;
            path = ContainingFolderPath(*item);
        }
        // Not under the lock: the shell may take its time.
        ShellOpen(owner, L"explore", path.c_str(), SW_SHOWNORMAL);
        break;
    }
    default:
        break;
    }
}

void CQTreeCtrl::OnDoubleClick(HWND owner)
{
    if (m_pClickedItem != nullptr)
        g_pfnRunProcessesDlg(m_pClickedItem, TRUE, owner);
}
