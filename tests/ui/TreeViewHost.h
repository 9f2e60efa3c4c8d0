// Shared parts of the files tree view tests: an application context in a scratch registry, a dialog that
// hosts the tree control as the main window does (control 1018, the notifications routed to the control),
// and helpers that add items through the monitor and read rows back.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "data/SplitPath.h"
#include "data/TreeItem.h"
#include "resources/resource.h"
#include "support/DialogTemplateBuilder.h"
#include "support/MessagePump.h"
#include "support/RegistryScratch.h"
#include "ui/controls/Dialog.h"
#include "ui/main/TreeCtrl.h"

namespace treetest
{

// The tree view styles of dialog template 102.
constexpr DWORD kTreeStyles = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                              TVS_NOTOOLTIPS | TVS_FULLROWSELECT | TVS_NONEVENHEIGHT | WS_HSCROLL |
                              WS_TABSTOP;

// A hidden dialog with only the tree view, control 1018.
inline const DLGTEMPLATE* TreeHostTemplate()
{
    static const DialogTemplateBuilder dialog = []
    {
        DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU, 300, 220, L"Tree test");
        builder.Control(IDC_FILES_TREE, L"SysTreeView32", kTreeStyles, 4, 4, 292, 212);
        return builder;
    }();
    return dialog.Get();
}

// Runs `body` inside its own modal loop with the tree control bound, then ends. Expanded, double-click and
// right-click notifications go to the control as the main dialog routes them.
class TreeViewHost : public CQDialog
{
public:
    explicit TreeViewHost(std::function<void(TreeViewHost&)> body)
        : CQDialog(TreeHostTemplate(), nullptr), m_body(std::move(body))
    {
    }

    // Runs the dialog; true when the body ran to its end.
    bool Run() { return DoModal() == 1; }

    HWND Tree() const { return tree.GetHwnd(); }

    CQTreeCtrl tree;
    bool routeExpanded = true; // off: rows keep the order they were inserted in
    int expandedNotifications = 0;

protected:
    BOOL OnInitDialog() override
    {
        CQDialog::OnInitDialog();
        tree.Attach(m_hWnd, IDC_FILES_TREE);
        tree.SetColors(RGB(61, 61, 64), RGB(255, 255, 240), RGB(61, 61, 64));
        if (g_pAppContext != nullptr)
        {
            tree.SetImageList(g_pAppContext->m_imageList);
            g_pAppContext->m_pFilesTree = &tree;
        }
        ::PostMessageW(m_hWnd, kRunMessage, 0, 0);
        return TRUE;
    }

    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kRunMessage)
        {
            m_body(*this);
            EndDialog(1);
            result = 0;
            return TRUE;
        }
        return CQDialog::WindowProc(message, wParam, lParam, result);
    }

    BOOL OnNotify(NMHDR* header, LRESULT& result) override
    {
        if (header->hwndFrom != tree.GetHwnd())
            return CQDialog::OnNotify(header, result);
        result = 0;
        switch (header->code)
        {
        case TVN_ITEMEXPANDEDW:
            ++expandedNotifications;
            if (routeExpanded)
                tree.OnItemExpanded(reinterpret_cast<NMTREEVIEWW*>(header));
            return TRUE;
        case NM_DBLCLK:
            tree.OnDoubleClick(m_hWnd);
            return TRUE;
        case NM_RCLICK:
            tree.OnItemMenu(m_hWnd);
            return TRUE;
        default:
            return CQDialog::OnNotify(header, result);
        }
    }

    void OnDestroy() override
    {
        if (g_pAppContext != nullptr && g_pAppContext->m_pFilesTree == &tree)
            g_pAppContext->m_pFilesTree = nullptr;
        CQDialog::OnDestroy();
    }

private:
    static constexpr UINT kRunMessage = WM_APP + 0x2F11;

    std::function<void(TreeViewHost&)> m_body;
};

// A real application context (settings read from a scratch registry) published in g_pAppContext.
class TreeCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        m_context = std::make_unique<CQAppContext>();
        g_pAppContext = m_context.get();
        Settings().m_boolAutoExpandFolders = 0;
        Settings().m_boolSortTreeByWriteSize = 1;
        m_context->m_boolInitializing = 0;
    }

    void TearDown() override
    {
        g_pAppContext = nullptr;
        m_context.reset();
    }

    CQSettingsInterface& Settings() { return m_context->m_settingsInterface; }
    CQMonitor& Monitor() { return m_context->m_monitor; }

    // A write on path as the processing thread counts it: the item is found or created (and handed over to
    // the view), then the write is added.
    CQTreeItem* Write(const std::wstring& path, uint64_t bytes = 1, BOOL isFile = TRUE)
    {
        std::vector<std::wstring_view> parts;
        SplitPath(path, parts);
        CQLock lock(Monitor().m_lockData);
        CQTreeItem* item = Monitor().m_root.FindOrInsert(parts, 0, isFile);
        item->AddWrite(bytes, nullptr);
        return item;
    }

    TavrelloRegistryScratch m_registry;
    std::unique_ptr<CQAppContext> m_context;
};

inline CQTreeItem* ItemOf(HWND tree, HTREEITEM row)
{
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = row;
    if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)))
        return nullptr;
    return reinterpret_cast<CQTreeItem*>(data.lParam);
}

// The label as the view shows it (asked through the display-information callback).
inline std::wstring RowText(HWND tree, HTREEITEM row)
{
    wchar_t buffer[260] = L"(untouched)";
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = row;
    data.pszText = buffer;
    data.cchTextMax = 260;
    if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)))
        return L"(no row)";
    return data.pszText != nullptr ? data.pszText : L"(null)";
}

struct RowLook
{
    int image;
    int selectedImage;
    int children;
};

inline RowLook RowLookOf(HWND tree, HTREEITEM row)
{
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    data.hItem = row;
    data.iImage = -7;
    data.iSelectedImage = -7;
    data.cChildren = -7;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return {data.iImage, data.iSelectedImage, data.cChildren};
}

inline UINT RowState(HWND tree, HTREEITEM row)
{
    return static_cast<UINT>(::SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(row), 0xFFFF));
}

inline bool IsExpanded(HWND tree, HTREEITEM row)
{
    return row != nullptr && (RowState(tree, row) & TVIS_EXPANDED) != 0;
}

// Child rows of parent (top-level rows for null), in view order.
inline std::vector<HTREEITEM> ChildRows(HWND tree, HTREEITEM parent)
{
    std::vector<HTREEITEM> rows;
    for (HTREEITEM row = parent != nullptr ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree);
         row != nullptr; row = TreeView_GetNextSibling(tree, row))
        rows.push_back(row);
    return rows;
}

// Item names of the child rows, joined with spaces.
inline std::wstring ChildNames(HWND tree, HTREEITEM parent)
{
    std::wstring names;
    for (HTREEITEM row : ChildRows(tree, parent))
    {
        const CQTreeItem* item = ItemOf(tree, row);
        if (!names.empty())
            names += L' ';
        names += item != nullptr ? item->m_csName.str() : L"?";
    }
    return names;
}

// The child row whose item is named name.
inline HTREEITEM FindRow(HWND tree, HTREEITEM parent, const std::wstring& name)
{
    for (HTREEITEM row : ChildRows(tree, parent))
    {
        const CQTreeItem* item = ItemOf(tree, row);
        if (item != nullptr && item->m_csName.str() == name)
            return row;
    }
    return nullptr;
}

inline void Expand(HWND tree, HTREEITEM row)
{
    ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(row));
}

// Expands every row below parent, parents before children.
inline void ExpandAllRows(HWND tree, HTREEITEM parent = nullptr)
{
    for (HTREEITEM row : ChildRows(tree, parent))
    {
        Expand(tree, row);
        ExpandAllRows(tree, row);
    }
}

inline UINT RowCount(HWND tree)
{
    return static_cast<UINT>(::SendMessageW(tree, TVM_GETCOUNT, 0, 0));
}

// Pumps until the view has count rows (or five seconds have passed).
inline bool PumpUntilRows(HWND tree, UINT count)
{
    return PumpUntil([&] { return RowCount(tree) >= count; });
}

inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace treetest
