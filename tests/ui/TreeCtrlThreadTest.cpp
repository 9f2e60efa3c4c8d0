// The files tree view while another thread creates items: no deadlock, no lost or doubled rows.
#include <atomic>

#include "support/WorkerThread.h"
#include "tests/ui/TreeViewHost.h"

using namespace treetest;

namespace
{
// Every row's child rows, compared with the item's children: each child has exactly one row there.
void ExpectRowsMatchItems(HWND tree, HTREEITEM parent, const CQTreeItem& item, int& checked)
{
    std::vector<HTREEITEM> rows = ChildRows(tree, parent);
    if (rows.empty())
        return; // not opened: no rows below
    ASSERT_EQ(static_cast<size_t>(item.m_arrChildren.GetSize()), rows.size()) << Narrow(item.m_csName.str());
    for (HTREEITEM row : rows)
    {
        const CQTreeItem* child = ItemOf(tree, row);
        ASSERT_NE(nullptr, child);
        ASSERT_EQ(&item, child->m_pParent);
        ASSERT_EQ(row, child->m_row.GetHandle());
        ++checked;
        ExpectRowsMatchItems(tree, row, *child, checked);
    }
}
} // namespace

TEST_F(TreeCtrlTest, AWorkerCreatingThousandsOfItemsWhileTheViewExpandsNeitherDeadlocksNorDoublesRows)
{
    for (BOOL autoExpand : {0, 1})
    {
        SCOPED_TRACE(autoExpand ? "auto expand" : "no auto expand");
        Monitor().Clear(0);
        Settings().m_boolAutoExpandFolders = autoExpand;
        const int kItems = 4000;
        TreeViewHost host(
            [&](TreeViewHost& h)
            {
                HWND tree = h.Tree();
                std::atomic<int> made{0};
                WorkerThread worker(
                    [&]
                    {
                        for (int i = 0; i < kItems; ++i)
                        {
                            Write(L"C:\\d" + std::to_wstring(i % 7) + L"\\s" + std::to_wstring(i % 13) +
                                      L"\\f" + std::to_wstring(i),
                                  static_cast<uint64_t>(i));
                            made.store(i + 1);
                        }
                    });
                // Meanwhile the view opens and sorts rows as a user would, and reads labels.
                int rounds = 0;
                while (made.load() < kItems && rounds < 2000)
                {
                    PumpMessages(2);
                    for (HTREEITEM top : ChildRows(tree, nullptr))
                    {
                        Expand(tree, top);
                        std::vector<HTREEITEM> folders = ChildRows(tree, top);
                        if (!folders.empty())
                        {
                            HTREEITEM folder = folders[static_cast<size_t>(rounds) % folders.size()];
                            RowText(tree, folder);
                            if (rounds % 3 == 0)
                                TreeView_Expand(tree, folder, TVE_COLLAPSE);
                            Expand(tree, folder);
                        }
                    }
                    ++rounds;
                }
                ASSERT_TRUE(worker.Join(30000)) << "the worker did not end";
                // The batches that still wait come at their own pace (a pause after a costly one).
                ASSERT_TRUE(PumpMessagesUntil(
                    [] { return g_pAppContext->m_itemHandOver.GetPendingCount() == 0; }, 60000))
                    << g_pAppContext->m_itemHandOver.GetPendingCount() << " items never got their rows";

                ExpandAllRows(tree);
                CQLock lock(Monitor().m_lockData);
                int checked = 0;
                ExpectRowsMatchItems(tree, nullptr, Monitor().m_root, checked);
                EXPECT_EQ(static_cast<int>(Monitor().m_stats.m_qwordFiles), checked);
                EXPECT_EQ(static_cast<UINT>(checked), RowCount(tree));
            });
        ASSERT_TRUE(host.Run());
    }
}
