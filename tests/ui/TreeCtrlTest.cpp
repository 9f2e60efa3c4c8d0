// The files tree view with a real tree view under Wine: rows of new items, labels and images from the
// display-information callback, drive order, newest-first children, sorting on expansion, automatic
// expansion, lazy rows, clearing.
#include "tests/ui/TreeViewHost.h"

using namespace treetest;

namespace
{
constexpr uint64_t kMiB = 1024 * 1024;
} // namespace

TEST_F(TreeCtrlTest, RowsShowLabelImageAndChildCountOfTheirItems)
{
    Write(L"C:\\Temp\\a.txt", kMiB + kMiB / 2);
    Write(L"C:\\Temp\\b.txt", 512);
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            // The items existed before the view: it is filled the way the monitor's start fills it.
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            ASSERT_EQ(1u, RowCount(tree)) << "only the drive gets a row before it is expanded";
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            ASSERT_NE(nullptr, drive);
            EXPECT_EQ(L"C: ( 1.50 Mb )", RowText(tree, drive));
            RowLook look = RowLookOf(tree, drive);
            EXPECT_EQ(0, look.image);
            EXPECT_EQ(0, look.selectedImage);
            EXPECT_EQ(1, look.children) << "the expand button shows before the children have rows";

            Expand(tree, drive);
            HTREEITEM temp = FindRow(tree, drive, L"Temp");
            ASSERT_NE(nullptr, temp);
            EXPECT_EQ(L"Temp ( 1.50 Mb )", RowText(tree, temp));
            look = RowLookOf(tree, temp);
            EXPECT_EQ(1, look.image);
            EXPECT_EQ(1, look.selectedImage);
            EXPECT_EQ(2, look.children);

            Expand(tree, temp);
            HTREEITEM file = FindRow(tree, temp, L"a.txt");
            ASSERT_NE(nullptr, file);
            EXPECT_EQ(L"a.txt ( 1.50 Mb )", RowText(tree, file));
            EXPECT_EQ(L"b.txt ( 512.00 b )", RowText(tree, FindRow(tree, temp, L"b.txt")));
            look = RowLookOf(tree, file);
            EXPECT_EQ(2, look.image);
            EXPECT_EQ(2, look.selectedImage);
            EXPECT_EQ(0, look.children);

            // A later write changes the label the next time the view asks.
            Write(L"C:\\Temp\\a.txt", kMiB / 2);
            EXPECT_EQ(L"a.txt ( 2.00 Mb )", RowText(tree, file));
            EXPECT_EQ(L"C: ( 2.00 Mb )", RowText(tree, drive));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, DrivesAreInCaseInsensitiveNameOrderWhateverTheirCreationOrder)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            for (const wchar_t* path : {L"e:\\x", L"C:\\x", L"#:\\x", L"D:\\x", L"c:\\y", L"a:\\x"})
                Write(path);
            ASSERT_TRUE(PumpUntilRows(tree, 5));
            EXPECT_EQ(L"#: a: C: D: e:", ChildNames(tree, nullptr));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, ChildrenShowNewestFirstUntilTheParentIsSorted)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            h.routeExpanded = false; // no sorting: the insertion order stays visible
            Write(L"C:\\one");
            Write(L"C:\\two");
            ASSERT_TRUE(PumpUntilRows(tree, 1));
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            Expand(tree, drive);
            EXPECT_EQ(L"two one", ChildNames(tree, drive));
            Write(L"C:\\three");
            Write(L"C:\\four");
            ASSERT_TRUE(PumpUntilRows(tree, 5));
            EXPECT_EQ(L"four three two one", ChildNames(tree, drive));

            // Sorting happens only when a row is expanded; new rows after it go first again.
            h.routeExpanded = true;
            TreeView_Expand(tree, drive, TVE_COLLAPSE);
            Settings().m_boolSortTreeByWriteSize = 0;
            h.tree.SortChildren(drive);
            EXPECT_EQ(L"four one three two", ChildNames(tree, drive));
            Write(L"C:\\five");
            ASSERT_TRUE(PumpUntilRows(tree, 6));
            EXPECT_EQ(L"five four one three two", ChildNames(tree, drive));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, ExpandingSortsBySizeWithFoldersFirstOrByName)
{
    struct Case
    {
        BOOL bySize;
        const wchar_t* expected;
    };
    for (const Case& c :
         {Case{1, L"big small huge.bin b.txt A.txt"}, Case{0, L"A.txt b.txt big huge.bin small"}})
    {
        SCOPED_TRACE(c.bySize ? "by size" : "by name");
        Monitor().Clear(0);
        Settings().m_boolSortTreeByWriteSize = c.bySize;
        Write(L"C:\\b.txt", 300);
        Write(L"C:\\small\\x", 10);
        Write(L"C:\\huge.bin", 5000);
        Write(L"C:\\big\\y", 400);
        Write(L"C:\\big\\z", 200);
        Write(L"C:\\A.txt", 20);
        TreeViewHost host(
            [&](TreeViewHost& h)
            {
                HWND tree = h.Tree();
                g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
                HTREEITEM drive = FindRow(tree, nullptr, L"C:");
                Expand(tree, drive);
                EXPECT_EQ(1, h.expandedNotifications);
                EXPECT_EQ(c.expected, ChildNames(tree, drive));

                // Collapsing does not sort.
                Write(L"C:\\new", 1);
                PumpUntilRows(tree, 7);
                TreeView_Expand(tree, drive, TVE_COLLAPSE);
                EXPECT_EQ(L"new " + std::wstring(c.expected), ChildNames(tree, drive));
            });
        ASSERT_TRUE(host.Run());
    }
}

TEST_F(TreeCtrlTest, SizeSortKeyIsTheItemsOwnBytesPlusItsChildrensSums)
{
    // The subtree counter is deliberately out of step: the key must be summed afresh, as after a clear of
    // an ancestor or a loaded file whose counters disagree.
    CQTreeItem* first = Write(L"C:\\first\\deep\\f", 100);
    CQTreeItem* second = Write(L"C:\\second\\g", 150);
    CQTreeItem* own = Write(L"C:\\own", 0, FALSE);
    {
        CQLock lock(Monitor().m_lockData);
        first->m_pParent->m_pParent->m_qwordWrittenWithSubitems = 1000000;
        second->m_pParent->m_qwordWrittenWithSubitems = 1;
        own->m_qwordWritten = 120; // a folder written directly
        own->m_qwordWrittenWithSubitems = 0;
    }
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            Expand(tree, drive);
            EXPECT_EQ(L"second own first", ChildNames(tree, drive));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, NewItemsExpandTheirParentsOnlyWhenAutoExpandIsOnAndStartUpIsOver)
{
    struct Case
    {
        BOOL autoExpand;
        BOOL initializing;
        bool expanded;
    };
    for (const Case& c : {Case{1, 0, true}, Case{0, 0, false}, Case{1, 1, false}, Case{2, 0, false}})
    {
        SCOPED_TRACE(testing::Message()
                     << "auto expand " << c.autoExpand << ", initialising " << c.initializing);
        Monitor().Clear(0);
        Settings().m_boolAutoExpandFolders = c.autoExpand;
        m_context->m_boolInitializing = c.initializing;
        TreeViewHost host(
            [&](TreeViewHost& h)
            {
                HWND tree = h.Tree();
                Write(L"C:\\A\\B\\f.txt");
                PumpUntil([&] { return RowCount(tree) >= (c.expanded ? 4u : 1u); }, 2000);
                HTREEITEM drive = FindRow(tree, nullptr, L"C:");
                ASSERT_NE(nullptr, drive);
                EXPECT_EQ(c.expanded, IsExpanded(tree, drive));
                if (!c.expanded)
                {
                    EXPECT_EQ(1u, RowCount(tree));
                    return;
                }
                HTREEITEM a = FindRow(tree, drive, L"A");
                EXPECT_TRUE(IsExpanded(tree, a));
                HTREEITEM b = FindRow(tree, a, L"B");
                EXPECT_TRUE(IsExpanded(tree, b));
                EXPECT_NE(nullptr, FindRow(tree, b, L"f.txt"));
            });
        ASSERT_TRUE(host.Run());
    }
}

TEST_F(TreeCtrlTest, RowsLoadedAtStartStayCollapsedAndAnAutoExpandedParentWithoutRowOpensWhenShown)
{
    Write(L"C:\\Old\\Sub\\kept.txt");
    Write(L"C:\\Other\\x");
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            Settings().m_boolAutoExpandFolders = 1;
            m_context->m_boolInitializing = 1;
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            m_context->m_boolInitializing = 0;
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            EXPECT_FALSE(IsExpanded(tree, drive));
            EXPECT_EQ(1u, RowCount(tree));

            // Sub has no row yet (C: was never opened); with every row present it would have been opened
            // for its new child, so it opens as soon as its row appears.
            Write(L"C:\\Old\\Sub\\new.txt");
            PumpMessages(100);
            EXPECT_EQ(1u, RowCount(tree));
            EXPECT_FALSE(IsExpanded(tree, drive));
            Expand(tree, drive);
            HTREEITEM old = FindRow(tree, drive, L"Old");
            EXPECT_FALSE(IsExpanded(tree, old)) << "Old got no new child itself";
            Expand(tree, old);
            HTREEITEM sub = FindRow(tree, old, L"Sub");
            EXPECT_TRUE(IsExpanded(tree, sub));
            EXPECT_EQ(L"kept.txt new.txt", ChildNames(tree, sub)) << "sorted by name on expansion";
            EXPECT_FALSE(IsExpanded(tree, FindRow(tree, drive, L"Other")));
        });
    Settings().m_boolSortTreeByWriteSize = 0;
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, FillingAfterStartUpWithAutoExpandOpensEveryRowThatHasChildren)
{
    Write(L"C:\\a\\b\\c.txt");
    Write(L"C:\\a\\d.txt");
    Write(L"D:\\e.txt");
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            Settings().m_boolAutoExpandFolders = 1;
            h.tree.FillFromRoot(&Monitor().m_root);
            EXPECT_EQ(7u, RowCount(tree));
            for (CQTreeItem* item : {Write(L"C:\\a\\b", 0, FALSE), Write(L"D:", 0, FALSE)})
            {
                SCOPED_TRACE(Narrow(item->m_csName.str()));
                EXPECT_TRUE(IsExpanded(tree, item->m_row.GetHandle()));
                EXPECT_TRUE(IsExpanded(tree, item->m_pParent->m_row.GetHandle()) ||
                            item->m_pParent->m_row.GetHandle() == TVI_ROOT);
            }
        });
    ASSERT_TRUE(host.Run());
}

// Every row's children, depth first, as "name(children)" with the children in view order.
std::wstring Outline(HWND tree, HTREEITEM parent)
{
    std::wstring text;
    for (HTREEITEM row : ChildRows(tree, parent))
    {
        const CQTreeItem* item = ItemOf(tree, row);
        text += item != nullptr ? item->m_csName.str() : L"?";
        std::wstring inner = Outline(tree, row);
        if (!inner.empty())
            text += L"(" + inner + L")";
        text += L" ";
    }
    return text;
}

// The outline that inserting every item one by one gives: below the top level, newest first.
std::wstring ExpectedOutline(const CQTreeItem& item)
{
    std::wstring text;
    for (int i = item.m_arrChildren.GetSize() - 1; i >= 0; --i)
    {
        const CQTreeItem& child = *item.m_arrChildren[i];
        text += child.m_csName.str();
        std::wstring inner = ExpectedOutline(child);
        if (!inner.empty())
            text += L"(" + inner + L")";
        text += L" ";
    }
    return text;
}

TEST_F(TreeCtrlTest, LazyRowsEqualInsertingEveryItemAndNoItemGetsTwoRows)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            h.routeExpanded = false;
            // Loaded before the view, added while rows exist, added below rows that were never opened,
            // and added while their hand-over still waits when the parent is opened (the race).
            for (int i = 0; i < 12; ++i)
                Write(L"C:\\d" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i));
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            Expand(tree, drive);
            Expand(tree, FindRow(tree, drive, L"d1"));
            for (int i = 12; i < 24; ++i)
                Write(L"C:\\d" + std::to_wstring(i % 4) + L"\\f" + std::to_wstring(i));
            Write(L"D:\\x\\y\\z");
            // Opened before the waiting items are taken: the rows come from the items, then the hand-over
            // finds them present.
            Expand(tree, FindRow(tree, drive, L"d2"));
            PumpMessages(200);

            ExpandAllRows(tree);
            std::wstring expected;
            const CQTreeItem& root = Monitor().m_root;
            for (const wchar_t* name : {L"C:", L"D:"})
                for (int i = 0; i < root.m_arrChildren.GetSize(); ++i)
                    if (root.m_arrChildren[i]->m_csName.str() == name)
                        expected +=
                            std::wstring(name) + L"(" + ExpectedOutline(*root.m_arrChildren[i]) + L") ";
            EXPECT_EQ(Narrow(expected), Narrow(Outline(tree, nullptr)));
            EXPECT_EQ(static_cast<UINT>(Monitor().m_stats.m_qwordFiles), RowCount(tree));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, ClearEmptiesTheViewAtOnceAndNewItemsComeBack)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            Write(L"C:\\a\\b");
            Write(L"D:\\c");
            ASSERT_TRUE(PumpUntilRows(tree, 2));
            HTREEITEM drive = FindRow(tree, nullptr, L"C:");
            Expand(tree, drive);
            ASSERT_EQ(3u, RowCount(tree));
            // Items created but not yet taken by the view are deleted by the clear as well.
            Write(L"C:\\pending");
            Monitor().Clear(1);
            EXPECT_EQ(0u, RowCount(tree)) << "emptied before Clear returned";
            PumpMessages(100);
            EXPECT_EQ(0u, RowCount(tree));

            Write(L"C:\\a\\again");
            ASSERT_TRUE(PumpUntilRows(tree, 1));
            drive = FindRow(tree, nullptr, L"C:");
            ASSERT_NE(nullptr, drive);
            EXPECT_EQ(L"C: ( 1.00 b )", RowText(tree, drive));
            Expand(tree, drive);
            HTREEITEM a = FindRow(tree, drive, L"a");
            Expand(tree, a);
            EXPECT_EQ(L"again", ChildNames(tree, a));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, DeletedRowsAreForgottenByTheirItemsSoTheyCanBeShownAgain)
{
    CQTreeItem* file = Write(L"C:\\a\\b.txt");
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            g_pAppContext->m_itemHandOver.FillView(&Monitor().m_root);
            ExpandAllRows(tree);
            ASSERT_EQ(3u, RowCount(tree));
            EXPECT_NE(nullptr, file->m_row.GetHandle());
            h.tree.DeleteAllItems();
            EXPECT_EQ(0u, RowCount(tree));
            EXPECT_EQ(nullptr, file->m_row.GetHandle());
            EXPECT_EQ(TVI_ROOT, Monitor().m_root.m_row.GetHandle())
                << "the root keeps the view's root handle";

            h.tree.FillFromRoot(&Monitor().m_root);
            ExpandAllRows(tree);
            EXPECT_EQ(3u, RowCount(tree));
        });
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(nullptr, file->m_row.GetHandle()) << "the rows went with the window";
    EXPECT_FALSE(g_pAppContext->m_itemHandOver.IsConnected());
}

TEST_F(TreeCtrlTest, TheViewTakesHandedOverItemsOnlyWhileItIsBound)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            EXPECT_TRUE(g_pAppContext->m_itemHandOver.IsConnected());
            Write(L"C:\\a");
            ASSERT_TRUE(PumpUntilRows(tree, 1));
            h.tree.Detach();
            EXPECT_FALSE(g_pAppContext->m_itemHandOver.IsConnected());
            Write(L"D:\\b");
            PumpMessages(100);
            EXPECT_EQ(1u, RowCount(tree));
        });
    ASSERT_TRUE(host.Run());
}

TEST_F(TreeCtrlTest, InsertItemReportsAKnownRowAndDefersAChildOfAnUnopenedRow)
{
    TreeViewHost host(
        [&](TreeViewHost& h)
        {
            HWND tree = h.Tree();
            g_pAppContext->m_itemHandOver.Connect(nullptr, 0); // rows only through InsertItem here
            CQTreeItem* file = Write(L"C:\\dir\\file");
            CQTreeItem* dir = file->m_pParent;
            CQTreeItem* drive = dir->m_pParent;
            EXPECT_TRUE(h.tree.InsertItem(drive));
            EXPECT_TRUE(h.tree.InsertItem(drive)) << "an item with a row is not inserted again";
            EXPECT_TRUE(h.tree.InsertItem(file)) << "its parent has no row: deferred, not failed";
            EXPECT_EQ(nullptr, file->m_row.GetHandle());
            EXPECT_EQ(1u, RowCount(tree));
            EXPECT_FALSE(h.tree.InsertItem(nullptr));
        });
    ASSERT_TRUE(host.Run());
}
