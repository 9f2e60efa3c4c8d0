// The clicked row of the files tree view and the item context menu: hit tests of left and right presses,
// the menu's commands with an injected menu and processes dialog, and the folder that the view opens.
#include <cstring>

#include "app/ShellOpen.h"
#include "data/TreeItemFolder.h"
#include "tests/ui/TreeViewHost.h"
#include "ui/main/TreeItemMenu.h"

using namespace treetest;

namespace
{
struct ProcessesRun
{
    CQTreeItem* item;
    BOOL withSubitems;
    HWND owner;
};

struct ShellCall
{
    HWND owner;
    std::wstring verb;
    std::wstring target;
    bool parametersAndFolderEmpty;
    int show;
};

// Replaces the menu, the processes dialog and the shell for the life of the object and records the calls.
class ItemMenuHooks
{
public:
    ItemMenuHooks()
        : m_previousTrack(g_pfnTrackItemMenu), m_previousRun(g_pfnRunProcessesDlg),
          m_previousShell(g_pfnShellOpen)
    {
        s_answer = 0;
        s_menus.clear();
        s_runs.clear();
        s_shell.clear();
        g_pfnTrackItemMenu = Track;
        g_pfnRunProcessesDlg = RunProcesses;
        g_pfnShellOpen = Shell;
    }
    ~ItemMenuHooks()
    {
        g_pfnTrackItemMenu = m_previousTrack;
        g_pfnRunProcessesDlg = m_previousRun;
        g_pfnShellOpen = m_previousShell;
    }
    ItemMenuHooks(const ItemMenuHooks&) = delete;
    ItemMenuHooks& operator=(const ItemMenuHooks&) = delete;

    // The menus tracked, each as "id text|id text|..."; the command the next menu returns.
    static inline std::vector<std::wstring> s_menus;
    static inline UINT s_answer = 0;
    static inline std::vector<ProcessesRun> s_runs;
    static inline std::vector<ShellCall> s_shell;

private:
    static UINT Track(HMENU menu, HWND, POINT)
    {
        std::wstring text;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
        {
            wchar_t label[100] = L"";
            ::GetMenuStringW(menu, static_cast<UINT>(i), label, 100, MF_BYPOSITION);
            if (i != 0)
                text += L"|";
            text += std::to_wstring(::GetMenuItemID(menu, i)) + L" " + label;
        }
        s_menus.push_back(text);
        return s_answer;
    }
    static void RunProcesses(CQTreeItem* item, BOOL withSubitems, HWND owner)
    {
        s_runs.push_back({item, withSubitems, owner});
    }
    static HINSTANCE WINAPI Shell(HWND owner, LPCWSTR verb, LPCWSTR target, LPCWSTR parameters,
                                  LPCWSTR folder, INT show)
    {
        s_shell.push_back({owner, verb ? verb : L"(null)", target ? target : L"(null)",
                           parameters == nullptr && folder == nullptr, show});
        return reinterpret_cast<HINSTANCE>(42);
    }

    TrackItemMenuFn m_previousTrack;
    RunProcessesDlgFn m_previousRun;
    ShellExecuteFn m_previousShell;
};

const wchar_t kMenuText[] =
    L"1 Writes to this item only|2 This item and its children|3 Open containing folder";

POINT LabelCenter(HWND tree, HTREEITEM row)
{
    RECT rect = {};
    // The request carries the row in the rectangle's place.
    std::memcpy(&rect, &row, sizeof(row));
    ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Below the last row.
POINT EmptySpace(HWND tree)
{
    RECT client = {};
    ::GetClientRect(tree, &client);
    return {client.right / 2, client.bottom - 4};
}

// A press and release posted to the view, then dispatched (the view tracks the mouse until the release).
void Click(HWND tree, POINT point, bool right)
{
    const LPARAM position = MAKELPARAM(point.x, point.y);
    ::PostMessageW(tree, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, position);
    ::PostMessageW(tree, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, position);
    PumpMessages(100);
}

void DoubleClick(HWND tree, POINT point)
{
    const LPARAM position = MAKELPARAM(point.x, point.y);
    ::PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, position);
    ::PostMessageW(tree, WM_LBUTTONUP, 0, position);
    ::PostMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, position);
    ::PostMessageW(tree, WM_LBUTTONUP, 0, position);
    PumpMessages(100);
}

HTREEITEM Selected(HWND tree)
{
    return TreeView_GetSelection(tree);
}
} // namespace

TEST_F(TreeCtrlTest, PressesOnARowRememberItAndPressesElsewhereForgetIt)
{
    ItemMenuHooks hooks;
    CQTreeItem* file = Write(L"C:\\Temp\\a.txt");
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            Expand(tree, drive);
            HTREEITEM temp = FindRow(tree, drive, L"Temp");
            Expand(tree, temp);
            HTREEITEM row = FindRow(tree, temp, L"a.txt");
            ASSERT_NE(nullptr, row);

            Click(tree, LabelCenter(tree, row), false);
            EXPECT_EQ(row, h.tree.m_hClickedItem);
            EXPECT_EQ(file, h.tree.m_pClickedItem);
            EXPECT_EQ(row, Selected(tree)) << "the default handling selects the row";

            Click(tree, EmptySpace(tree), false);
            EXPECT_EQ(nullptr, h.tree.m_hClickedItem);
            EXPECT_EQ(nullptr, h.tree.m_pClickedItem);

            // A right press selects the row itself and opens the menu for it.
            Click(tree, LabelCenter(tree, drive), true);
            EXPECT_EQ(drive, h.tree.m_hClickedItem);
            EXPECT_EQ(file->m_pParent->m_pParent, h.tree.m_pClickedItem);
            EXPECT_EQ(drive, Selected(tree));
            ASSERT_EQ(1u, hooks.s_menus.size());
            EXPECT_EQ(kMenuText, hooks.s_menus[0]);

            // On empty space: no menu, and the row pressed before is forgotten.
            Click(tree, EmptySpace(tree), true);
            EXPECT_EQ(nullptr, h.tree.m_hClickedItem);
            EXPECT_EQ(nullptr, h.tree.m_pClickedItem);
            EXPECT_EQ(1u, hooks.s_menus.size());
            EXPECT_TRUE(hooks.s_runs.empty());
            EXPECT_TRUE(hooks.s_shell.empty());
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, ItemMenuCommandsRunTheProcessesDialogOrOpenTheContainingFolder)
{
    struct Case
    {
        const char* name;
        const wchar_t* row; // a.txt, or the drive
        UINT command;
        int runs;
        BOOL withSubitems;
        const wchar_t* opened; // null: nothing opened
    };
    const Case cases[] = {
        {"item only", L"a.txt", 1, 1, FALSE, nullptr},
        {"with children", L"a.txt", 2, 1, TRUE, nullptr},
        {"folder of a file", L"a.txt", 3, 0, FALSE, L"C:\\Temp\\"},
        {"folder of a drive", L"C:", 3, 0, FALSE, L"C:\\"},
        {"menu dismissed", L"a.txt", 0, 0, FALSE, nullptr},
        {"unknown command", L"C:", 9, 0, FALSE, nullptr},
    };
    CQTreeItem* file = Write(L"C:\\Temp\\a.txt");
    CQTreeItem* drive = file->m_pParent->m_pParent;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ItemMenuHooks hooks;
        hooks.s_answer = c.command;
        HWND owner = nullptr;
        TreeViewHost host(
            [&](TreeViewHost& h)
            {
                HWND tree = h.Tree();
                owner = h.GetHwnd();
                g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
                ExpandAllRows(tree);
                HTREEITEM row = drive->m_row.GetHandle();
                if (std::wstring(c.row) != L"C:")
                    row = file->m_row.GetHandle();
                ASSERT_NE(nullptr, row);
                Click(tree, LabelCenter(tree, row), true);
            });
        ASSERT_TRUE(host.Run());
        CQTreeItem* item = std::wstring(c.row) == L"C:" ? drive : file;
        ASSERT_EQ(1u, hooks.s_menus.size());
        ASSERT_EQ(static_cast<size_t>(c.runs), hooks.s_runs.size());
        if (c.runs)
        {
            EXPECT_EQ(item, hooks.s_runs[0].item);
            EXPECT_EQ(c.withSubitems, hooks.s_runs[0].withSubitems);
            EXPECT_EQ(owner, hooks.s_runs[0].owner);
        }
        if (c.opened == nullptr)
        {
            EXPECT_TRUE(hooks.s_shell.empty());
            continue;
        }
        ASSERT_EQ(1u, hooks.s_shell.size());
        EXPECT_EQ(owner, hooks.s_shell[0].owner);
        EXPECT_EQ(L"explore", hooks.s_shell[0].verb);
        EXPECT_EQ(c.opened, hooks.s_shell[0].target);
        EXPECT_TRUE(hooks.s_shell[0].parametersAndFolderEmpty);
        EXPECT_EQ(SW_SHOWNORMAL, hooks.s_shell[0].show);
    }
}

TEST_F(TreeCtrlTest, DoubleClickRunsTheProcessesDialogWithSubitemsForTheClickedRowOnly)
{
    ItemMenuHooks hooks;
    CQTreeItem* file = Write(L"C:\\Temp\\a.txt");
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            ExpandAllRows(tree);
            DoubleClick(tree, LabelCenter(tree, file->m_row.GetHandle()));
            ASSERT_EQ(1u, hooks.s_runs.size());
            EXPECT_EQ(file, hooks.s_runs[0].item);
            EXPECT_TRUE(hooks.s_runs[0].withSubitems);
            EXPECT_EQ(h.GetHwnd(), hooks.s_runs[0].owner);

            DoubleClick(tree, EmptySpace(tree));
            EXPECT_EQ(1u, hooks.s_runs.size());
            h.tree.OnItemMenu(h.GetHwnd());
            EXPECT_TRUE(hooks.s_menus.empty()) << "no clicked item, no menu";
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, ClearingForgetsTheClickedRow)
{
    ItemMenuHooks hooks;
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            Write(L"C:\\a");
            ASSERT_TRUE(PumpUntilRows(tree, 1));
            Click(tree, LabelCenter(tree, FindRow(tree, nullptr, L"C:")), false);
            ASSERT_NE(nullptr, h.tree.m_pClickedItem);
            Monitor().Clear(1);
            EXPECT_EQ(nullptr, h.tree.m_hClickedItem);
            EXPECT_EQ(nullptr, h.tree.m_pClickedItem);
            h.tree.OnDoubleClick(h.GetHwnd());
            EXPECT_TRUE(hooks.s_runs.empty());
        });
    ASSERT_TRUE(host.Run());
}

TEST(ContainingFolderPath, IsTheParentsPathOrTheDrivesOwnRoot)
{
    CQTreeItemFolder root;
    root.m_row.SetHandle(TVI_ROOT);
    struct Case
    {
        const wchar_t* path;
        BOOL isFile;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Temp\\a.txt", TRUE, L"C:\\Temp\\"},
        {L"C:\\Temp\\Sub", FALSE, L"C:\\Temp\\"},
        {L"C:\\top.txt", TRUE, L"C:\\"},
        {L"C:", FALSE, L"C:\\"},
        {L"#:\\x", TRUE, L"#:\\"},
        {L"#:", FALSE, L"#:\\"},
    };
    for (const Case& c : cases)
    {
        std::wstring path = c.path;
        std::vector<std::wstring_view> parts;
        SplitPath(path, parts);
        const CQTreeItem* item = root.FindOrInsert(parts, 0, c.isFile);
        EXPECT_EQ(c.expected, ContainingFolderPath(*item)) << Narrow(c.path);
    }
}
