#include <ctime>

#include "app/ItemHandOver.h"
#include "data/TreeObserver.h"
#include "engine/MonitorFixture.h"

namespace
{
TEST_F(MonitorTest, ConstructionStartsEmptyWithTheTimeStampNow)
{
    const int64_t now = time(nullptr);
    const CQStatisticsBlock& s = m_monitor->m_stats;
    EXPECT_EQ(0u, s.m_qwordOperations);
    EXPECT_EQ(0u, s.m_qwordFiles);
    EXPECT_EQ(0u, s.m_qwordWritten);
    EXPECT_EQ(0u, s.m_qwordMonitoringSeconds);
    EXPECT_LE(now - 2, s.m_int64LastTimeStamp);
    EXPECT_GE(now + 2, s.m_int64LastTimeStamp);
    EXPECT_EQ(TVI_ROOT, m_monitor->m_root.m_row.GetHandle());
    EXPECT_EQ(nullptr, m_monitor->m_hPort);
    EXPECT_EQ(0, m_monitor->m_boolRunning);
    EXPECT_EQ(0, m_monitor->m_boolStop);
    EXPECT_EQ(nullptr, m_monitor->m_hRetrieveThread);
    EXPECT_EQ(nullptr, m_monitor->m_hProcessThread);
    EXPECT_EQ(static_cast<ITreeItemObserver*>(m_monitor.get()), GetTreeItemObserver());
}

TEST_F(MonitorTest, NewItemsRaiseTheFilesCountFoldersIncluded)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Account(L"\\Device\\HarddiskVolume2\\Users\\a.txt", 10);
    EXPECT_EQ(3u, m_monitor->m_stats.m_qwordFiles); // C:, Users, a.txt
    Account(L"\\Device\\HarddiskVolume2\\Users\\b.txt", 10);
    EXPECT_EQ(4u, m_monitor->m_stats.m_qwordFiles);
}

TEST_F(MonitorTest, ClearZeroesEverythingButTheTimeStampAndLeavesQueueAndDrives)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Account(L"\\Device\\HarddiskVolume2\\a.txt", 5000);
    m_monitor->m_stats.m_qwordRead = 77;
    m_monitor->m_stats.m_qwordMonitoringSeconds = 500;
    m_monitor->m_stats.m_int64LastTimeStamp = 1000;
    PushEntry(*m_monitor, L"queued", L"", 0);
    std::wstring name;
    m_monitor->LookupProcessName(GetCurrentProcessId(), name);
    ASSERT_EQ(1, m_monitor->m_arrRuntimeProcesses.GetSize());

    m_monitor->Clear(0);

    const CQStatisticsBlock& s = m_monitor->m_stats;
    EXPECT_EQ(0u, s.m_qwordOperations);
    EXPECT_EQ(0u, s.m_qwordFiles);
    EXPECT_EQ(0u, s.m_qwordRead);
    EXPECT_EQ(0u, s.m_qwordWritten);
    EXPECT_EQ(0u, s.m_qwordWrittenAligned);
    EXPECT_EQ(0u, s.m_qwordMonitoringSeconds);
    EXPECT_LE(time(nullptr) - 2, s.m_int64LastTimeStamp);
    EXPECT_EQ(0, m_monitor->m_root.m_arrChildren.GetSize());
    EXPECT_EQ(0, m_monitor->m_arrProcesses.GetSize());
    EXPECT_EQ(0, m_monitor->m_arrRuntimeProcesses.GetSize());
    EXPECT_EQ(nullptr, m_monitor->m_pathCache.Find(L"C:\\a.txt"));
    EXPECT_EQ(1, m_monitor->GetPendingRecords());
    EXPECT_EQ(1, m_monitor->m_arrDrives.GetSize());

    // The first process seen after clearing gets index 0 again, and the path cache does not hand out
    // a deleted item.
    CQTreeItem* item = Account(L"\\Device\\HarddiskVolume2\\a.txt", 1, L"later.exe");
    EXPECT_EQ(0u, m_monitor->m_arrProcesses[0]->m_dwordIndex);
    EXPECT_EQ(item, ChildNamed(ChildNamed(&m_monitor->m_root, L"C:"), L"a.txt"));
}

TEST_F(MonitorTest, ClearWithTheViewFlagEmptiesTheConnectedView)
{
    HWND tree =
        CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, tree);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<LPWSTR>(L"row");
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    ASSERT_EQ(1u, SendMessageW(tree, TVM_GETCOUNT, 0, 0));

    CQItemHandOver handOver;
    handOver.Connect(tree, WM_APP + 5);
    m_monitor->m_pItemHandOver = &handOver;
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Account(L"\\Device\\HarddiskVolume2\\a.txt", 1);
    std::vector<CQTreeItem*> pending;

    m_monitor->Clear(1);
    EXPECT_EQ(0u, SendMessageW(tree, TVM_GETCOUNT, 0, 0));
    handOver.TakePending(pending);
    EXPECT_TRUE(pending.empty()) << "items deleted by the clear must not reach the view";

    m_monitor->m_pItemHandOver = nullptr;
    DestroyWindow(tree);
}

TEST_F(MonitorTest, NewItemsAreHandedOverInCreationOrderWithoutWaiting)
{
    CQItemHandOver handOver;
    HWND sink = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    handOver.Connect(sink, WM_APP + 6);
    m_monitor->m_pItemHandOver = &handOver;
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    CQTreeItem* file = Account(L"\\Device\\HarddiskVolume2\\Temp\\a.txt", 1);

    std::vector<CQTreeItem*> pending;
    handOver.TakePending(pending);
    ASSERT_EQ(3u, pending.size());
    EXPECT_EQ(L"C:", pending[0]->m_csName.str());
    EXPECT_EQ(L"Temp", pending[1]->m_csName.str());
    EXPECT_EQ(file, pending[2]);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, sink, WM_APP + 6, WM_APP + 6, PM_REMOVE)) << "one message per batch";
    EXPECT_FALSE(PeekMessageW(&msg, sink, WM_APP + 6, WM_APP + 6, PM_REMOVE));

    m_monitor->m_pItemHandOver = nullptr;
    DestroyWindow(sink);
}

// A batch taken with a limit leaves the rest waiting, in order, and asks for another batch; items created
// between two batches queue up behind the rest.
TEST_F(MonitorTest, ABatchTakenWithALimitLeavesTheRestForTheNextMessage)
{
    CQItemHandOver handOver;
    HWND sink = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    handOver.Connect(sink, WM_APP + 7);
    m_monitor->m_pItemHandOver = &handOver;
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    CQTreeItem* a = Account(L"\\Device\\HarddiskVolume2\\Temp\\a.txt", 1);
    CQTreeItem* b = Account(L"\\Device\\HarddiskVolume2\\Temp\\b.txt", 1);
    CQTreeItem* c = Account(L"\\Device\\HarddiskVolume2\\c.txt", 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, sink, WM_APP + 7, WM_APP + 7, PM_REMOVE));

    std::vector<CQTreeItem*> pending;
    handOver.TakePending(pending, 2);
    ASSERT_EQ(2u, pending.size());
    EXPECT_EQ(L"C:", pending[0]->m_csName.str());
    EXPECT_EQ(L"Temp", pending[1]->m_csName.str());
    EXPECT_TRUE(PeekMessageW(&msg, sink, WM_APP + 7, WM_APP + 7, PM_REMOVE)) << "the rest is announced";
    EXPECT_EQ(3u, handOver.GetPendingCount());
    CQTreeItem* d = Account(L"\\Device\\HarddiskVolume2\\d.txt", 1);
    handOver.TakePending(pending, 2);
    EXPECT_EQ((std::vector<CQTreeItem*>{a, b}), pending);
    handOver.TakePending(pending, 10);
    EXPECT_EQ((std::vector<CQTreeItem*>{c, d}), pending);
    EXPECT_EQ(0u, handOver.GetPendingCount());
    while (PeekMessageW(&msg, sink, WM_APP + 7, WM_APP + 7, PM_REMOVE))
    {
    }
    handOver.TakePending(pending, 2);
    EXPECT_TRUE(pending.empty());
    EXPECT_FALSE(PeekMessageW(&msg, sink, WM_APP + 7, WM_APP + 7, PM_REMOVE))
        << "nothing is left to announce";

    m_monitor->m_pItemHandOver = nullptr;
    DestroyWindow(sink);
}

TEST(DriveItem, SuffixIsTheVolumeNumber)
{
    CQDriveItem drive;
    EXPECT_EQ(0, drive.m_intInstances);
    EXPECT_EQ(0u, drive.m_qwordSize);
    drive.SetVolumeName(L"\\Device\\HarddiskVolume12");
    EXPECT_EQ(L"12", drive.m_csVolumeSuffix);
    drive.SetVolumeName(L"\\Device\\CdRom0");
    EXPECT_EQ(L"\\Device\\CdRom0", drive.m_csVolumeSuffix) << "22 characters or fewer stay whole";
}
} // namespace
