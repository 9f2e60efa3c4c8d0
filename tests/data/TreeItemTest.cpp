#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/LinkArray.h"
#include "data/Process.h"
#include "data/TreeArena.h"
#include "data/TreeItemFile.h"
#include "TreeTestSupport.h"

namespace
{
CQProcess MakeProcess(uint32_t index)
{
    CQProcess process;
    process.m_dwordIndex = index;
    return process;
}

TEST(FindOrInsert, BuildsDrivesFoldersAndFiles)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\Temp\\a.txt");
    ASSERT_EQ(1, root.m_arrChildren.GetSize());
    CQTreeItem* drive = root.m_arrChildren[0];
    EXPECT_EQ(L"C:", drive->m_csName.str());
    EXPECT_EQ(1u, drive->GetType());
    ASSERT_EQ(1, drive->m_arrChildren.GetSize());
    CQTreeItem* temp = drive->m_arrChildren[0];
    EXPECT_EQ(1u, temp->GetType());
    EXPECT_EQ(L"a.txt", file->m_csName.str());
    EXPECT_EQ(0u, file->GetType());
    EXPECT_EQ(temp, file->m_pParent);
    EXPECT_EQ(drive, temp->m_pParent);
    EXPECT_EQ(&root, drive->m_pParent);
    EXPECT_EQ(nullptr, file->m_row.GetHandle());

    // A path that is a folder on disk makes its last component a folder.
    CQTreeItem* folder = InsertPath(root, L"C:\\Temp\\sub", 0);
    EXPECT_EQ(1u, folder->GetType());
    // No components left: the folder itself.
    EXPECT_EQ(&root, root.FindOrInsert({}, 0, 1));
    EXPECT_EQ(&root, root.FindOrInsert({L"C:", L"Temp"}, 2, 1));
    EXPECT_EQ(temp, drive->FindOrInsert({L"C:", L"Temp"}, 1, 1));
}

TEST(FindOrInsert, NamesMatchCaseInsensitivelyAndKeepTheFirstSpelling)
{
    TestRoot root;
    CQTreeItem* y = InsertPath(root, L"C:\\Temp\\y");
    CQTreeItem* x = InsertPath(root, L"c:\\TEMP\\x");
    EXPECT_EQ(y->m_pParent, x->m_pParent);
    EXPECT_EQ(L"Temp", x->m_pParent->m_csName.str());
    EXPECT_EQ(L"C:", x->m_pParent->m_pParent->m_csName.str());
    EXPECT_EQ(y, InsertPath(root, L"C:\\temp\\Y"));

    CQTreeItem* other = InsertPath(root, L"D:\\Temp");
    EXPECT_EQ(2, root.m_arrChildren.GetSize());
    EXPECT_EQ(L"D:", other->m_pParent->m_csName.str());
    EXPECT_NE(x->m_pParent, other);
}

TEST(FindOrInsert, AFileEndsTheWalkAndAFolderIsKeptForAFilePath)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\data\\log.txt");
    // Components below a file are counted on the file; nothing is created under it.
    EXPECT_EQ(file, InsertPath(root, L"C:\\data\\LOG.TXT\\more\\deeper.bin"));
    EXPECT_EQ(0, file->m_arrChildren.GetSize());

    CQTreeItem* folder = InsertPath(root, L"C:\\data\\dir\\inner.txt")->m_pParent;
    // The same name as a file path ends on the existing folder.
    EXPECT_EQ(folder, InsertPath(root, L"C:\\Data\\Dir", 1));
    EXPECT_EQ(1u, folder->GetType());
    EXPECT_EQ(2, folder->m_pParent->m_arrChildren.GetSize());
}

TEST(FindOrInsert, ReportsEachNewItemOnceParentFirstAfterAppending)
{
    RecordingObserver observer;
    TestRoot root;
    CQTreeItem* a = InsertPath(root, L"C:\\Temp\\a.txt");
    ASSERT_EQ(3u, observer.items.size());
    EXPECT_EQ(a->m_pParent->m_pParent, observer.items[0]);
    EXPECT_EQ(a->m_pParent, observer.items[1]);
    EXPECT_EQ(a, observer.items[2]);

    InsertPath(root, L"c:\\temp\\A.TXT");
    EXPECT_EQ(3u, observer.items.size());
    CQTreeItem* b = InsertPath(root, L"C:\\Temp\\b.txt");
    CQTreeItem* direct = root.AddFileChild(L"E:", 0);
    ASSERT_EQ(5u, observer.items.size());
    EXPECT_EQ(b, observer.items[3]);
    EXPECT_EQ(direct, observer.items[4]);
    for (size_t i = 0; i < observer.appendedFirst.size(); ++i)
        EXPECT_TRUE(observer.appendedFirst[i]) << "item " << i << " reported before it was appended";
}

TEST(FindOrInsert, WithoutAnObserverItemsAreStillMade)
{
    SetTreeItemObserver(nullptr);
    TestRoot root;
    EXPECT_NE(nullptr, InsertPath(root, L"C:\\a"));
    EXPECT_EQ(1, root.m_arrChildren.GetSize());
}

TEST(AddWrite, CountsRawAlignedAndSubtreeBytes)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\Temp\\a.txt");
    for (uint64_t size : {uint64_t(1), uint64_t(4096), uint64_t(4097)})
        file->AddWrite(size, nullptr);
    EXPECT_EQ(8194u, file->m_qwordWritten);
    EXPECT_EQ(16384u, file->m_qwordWrittenAligned);
    for (CQTreeItem* item = file; item != nullptr; item = item->m_pParent)
        EXPECT_EQ(8194u, item->m_qwordWrittenWithSubitems) << item->m_csName.str();
    // Ancestors gain only the subtree total.
    for (CQTreeItem* item = file->m_pParent; item != nullptr; item = item->m_pParent)
    {
        EXPECT_EQ(0u, item->m_qwordWritten);
        EXPECT_EQ(0u, item->m_qwordWrittenAligned);
    }
    EXPECT_EQ(0, file->m_arrProcessLinks.GetSize());

    CQTreeItem* sibling = InsertPath(root, L"C:\\Temp\\b.txt");
    sibling->AddWrite(6, nullptr);
    EXPECT_EQ(8200u, root.m_qwordWrittenWithSubitems);
    EXPECT_EQ(8194u, file->m_qwordWrittenWithSubitems);
    EXPECT_EQ(8200u, root.SumWritten());
    EXPECT_EQ(6u, sibling->SumWritten());
}

TEST(AddWrite, AlignedSizeRoundsUpTo4096AndWraps)
{
    const struct
    {
        uint64_t size, aligned;
    } cases[] = {{0, 0},
                 {1, 4096},
                 {4095, 4096},
                 {4096, 4096},
                 {4097, 8192},
                 {0x100000001ULL, 0x100001000ULL},
                 {0xFFFFFFFFFFFFF000ULL, 0xFFFFFFFFFFFFF000ULL},
                 {0xFFFFFFFFFFFFF001ULL, 0},
                 {UINT64_MAX, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.aligned, CQTreeItem::AlignSize(c.size)) << std::hex << c.size;
}

TEST(AddWrite, CountersWrapAround)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\big");
    file->AddWrite(UINT64_MAX, nullptr);
    file->AddWrite(3, nullptr);
    EXPECT_EQ(2u, file->m_qwordWritten);
    EXPECT_EQ(4096u, file->m_qwordWrittenAligned); // 0 (wrapped) + 4096
    EXPECT_EQ(2u, root.m_qwordWrittenWithSubitems);
    EXPECT_EQ(2u, root.SumWritten());
}

TEST(AddWrite, ZeroBytesAddsTheLinkAndInvalidatesLabels)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\Temp\\a.txt");
    std::vector<CQTreeItem*> chain;
    for (CQTreeItem* item = file; item != nullptr; item = item->m_pParent)
    {
        item->BuildDisplayText();
        chain.push_back(item);
    }
    const CQProcess process = MakeProcess(7);
    file->AddWrite(0, &process);
    ASSERT_EQ(1, file->m_arrProcessLinks.GetSize());
    EXPECT_EQ(7u, file->m_arrProcessLinks[0]->m_dwordProcessIndex);
    EXPECT_EQ(0u, file->m_arrProcessLinks[0]->m_qwordWritten);
    for (CQTreeItem* item : chain)
    {
        EXPECT_FALSE(item->m_row.IsLabelCurrent()) << item->m_csName.str();
        EXPECT_EQ(0u, item->m_qwordWrittenWithSubitems);
    }
    EXPECT_EQ(0u, file->m_qwordWritten);
    EXPECT_EQ(0u, file->m_qwordWrittenAligned);
}

TEST(AddWrite, OneLinkPerProcessInOrderOfFirstWrite)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\a");
    const CQProcess p3 = MakeProcess(3), p0 = MakeProcess(0);
    file->AddWrite(10, &p3);
    file->AddWrite(5, &p0);
    file->AddWrite(1, &p3);
    ASSERT_EQ(2, file->m_arrProcessLinks.GetSize());
    EXPECT_EQ(3u, file->m_arrProcessLinks[0]->m_dwordProcessIndex);
    EXPECT_EQ(11u, file->m_arrProcessLinks[0]->m_qwordWritten);
    EXPECT_EQ(0u, file->m_arrProcessLinks[1]->m_dwordProcessIndex);
    EXPECT_EQ(5u, file->m_arrProcessLinks[1]->m_qwordWritten);
    // Only the written item gets links.
    EXPECT_EQ(0, file->m_pParent->m_arrProcessLinks.GetSize());
}

struct Total
{
    uint32_t index;
    uint64_t bytes;
    bool operator==(const Total& o) const { return index == o.index && bytes == o.bytes; }
};

std::ostream& operator<<(std::ostream& os, const Total& t)
{
    return os << "{" << t.index << ", " << t.bytes << "}";
}

std::vector<Total> Totals(const CQTreeItem* item, BOOL withSubitems)
{
    CQPtrAutoArray<CQProcessLink> totals;
    item->CollectProcessTotals(totals, withSubitems);
    std::vector<Total> out;
    for (int i = 0; i < totals.GetSize(); ++i)
        out.push_back({totals[i]->m_dwordProcessIndex, totals[i]->m_qwordWritten});
    return out;
}

// Process indexes are whatever a saved data file holds, the largest ones included: every link must come
// back as it went in, whether the array holds it itself or in a block.
TEST(LinkArray, KeepsEveryLinkThroughTheMoveToABlock)
{
    CQTreeArena arena;
    const uint32_t indexes[] = {3, 0xFFFFFFFFu, 0xFFFFFFFEu, 0};
    for (uint32_t first : indexes)
    {
        CQLinkArray links;
        EXPECT_EQ(0, links.GetSize());
        EXPECT_EQ(nullptr, links.GetData());
        links.Append(CQProcessLink{5, first}, arena);
        ASSERT_EQ(1, links.GetSize()) << first;
        EXPECT_EQ(5u, links[0]->m_qwordWritten);
        EXPECT_EQ(first, links[0]->m_dwordProcessIndex);
        ASSERT_NE(nullptr, links.Find(first));
        for (uint32_t i = 0; i < 4; ++i)
            links.Append(CQProcessLink{100 + i, indexes[i] ^ 0x10u}, arena);
        ASSERT_EQ(5, links.GetSize());
        const CQProcessLink* data = links.GetData();
        EXPECT_EQ(5u, data[0].m_qwordWritten);
        EXPECT_EQ(first, data[0].m_dwordProcessIndex);
        for (uint32_t i = 0; i < 4; ++i)
        {
            EXPECT_EQ(100u + i, data[1 + i].m_qwordWritten);
            EXPECT_EQ(indexes[i] ^ 0x10u, data[1 + i].m_dwordProcessIndex);
        }
        EXPECT_EQ(data + 2, links.Find(0xFFFFFFEFu));
        EXPECT_EQ(nullptr, links.Find(0x12345678u));
        links.ReleaseStorage();
        EXPECT_EQ(0, links.GetSize());
        links.Reserve(4, arena);
        links.Append(CQProcessLink{9, 1}, arena);
        ASSERT_EQ(1, links.GetSize());
        EXPECT_EQ(9u, links[0]->m_qwordWritten);
    }
}

TEST(CollectProcessTotals, SumsPerProcessInDepthFirstOrder)
{
    TestRoot root;
    const CQProcess p1 = MakeProcess(1), p2 = MakeProcess(2), p3 = MakeProcess(3);
    CQTreeItem* folder = InsertPath(root, L"C:\\F", 0);
    folder->AddWrite(100, &p2); // a folder can be written directly
    InsertPath(root, L"C:\\F\\a")->AddWrite(10, &p1);
    InsertPath(root, L"C:\\F\\a")->AddWrite(20, &p2);
    InsertPath(root, L"C:\\F\\G\\b")->AddWrite(30, &p3);
    InsertPath(root, L"C:\\F\\G\\b")->AddWrite(40, &p1);
    InsertPath(root, L"C:\\F\\c")->AddWrite(1, &p3);

    EXPECT_EQ((std::vector<Total>{{2, 120}, {1, 50}, {3, 31}}), Totals(folder, 1));
    EXPECT_EQ((std::vector<Total>{{2, 100}}), Totals(folder, 0));
    EXPECT_EQ((std::vector<Total>{{2, 120}, {1, 50}, {3, 31}}), Totals(&root, 1));
    EXPECT_TRUE(Totals(&root, 0).empty());
    EXPECT_TRUE(Totals(folder->m_pParent, 0).empty());

    // Totals already in the output are added to, new ones appended.
    CQPtrAutoArray<CQProcessLink> totals;
    CQProcessLink* existing = new CQProcessLink;
    existing->m_dwordProcessIndex = 3;
    existing->m_qwordWritten = 1000;
    totals.Add(existing);
    InsertPath(root, L"C:\\F\\G\\b")->CollectProcessTotals(totals, 0);
    ASSERT_EQ(2, totals.GetSize());
    EXPECT_EQ(1030u, totals[0]->m_qwordWritten);
    EXPECT_EQ(1u, totals[1]->m_dwordProcessIndex);
}

TEST(CollectProcessTotals, TwoFilesOfOneProcessGiveOneEntry)
{
    TestRoot root;
    const CQProcess p = MakeProcess(0);
    InsertPath(root, L"C:\\d\\one")->AddWrite(3, &p);
    InsertPath(root, L"C:\\d\\two")->AddWrite(4, &p);
    CQTreeItem* folder = InsertPath(root, L"C:\\d", 0);
    EXPECT_EQ((std::vector<Total>{{0, 7}}), Totals(folder, 1));
    EXPECT_TRUE(Totals(folder, 0).empty());
}

TEST(AppendFullPath, FilesEndWithTheNameFoldersWithABackslash)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\Temp\\a.txt");
    EXPECT_EQ(L"C:\\Temp\\a.txt", FullPath(file));
    EXPECT_EQ(L"C:\\Temp\\", FullPath(file->m_pParent));
    EXPECT_EQ(L"C:\\", FullPath(file->m_pParent->m_pParent));
    EXPECT_EQ(L"", FullPath(&root));
    EXPECT_EQ(L"#:\\Device\\HarddiskVolume9\\x",
              FullPath(InsertPath(root, L"#:\\Device\\HarddiskVolume9\\x")));

    // The text is appended to; the backslash rule looks at the whole text.
    std::wstring text = L"\\";
    file->m_pParent->AppendFullPath(text);
    EXPECT_EQ(L"\\C:\\Temp\\", text);
}

TEST(GetImage, DriveFolderFileAndRoot)
{
    TestRoot root;
    CQTreeItem* file = InsertPath(root, L"C:\\Temp\\a.txt");
    EXPECT_EQ(2, file->GetImage());
    EXPECT_EQ(1, file->m_pParent->GetImage());
    EXPECT_EQ(0, file->m_pParent->m_pParent->GetImage());
    EXPECT_EQ(1, root.GetImage());
    // A file directly under the root is still a file.
    EXPECT_EQ(2, InsertPath(root, L"loose")->GetImage());
}

TEST(GetDispInfo, FillsOnlyWhatTheMaskAsks)
{
    TestRoot root;
    CQTreeItem* windows = InsertPath(root, L"C:\\Windows\\system.ini")->m_pParent;
    InsertPath(root, L"C:\\Windows\\win.ini")->AddWrite(1572864, nullptr);

    TVITEMW item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    item.pszText = nullptr;
    EXPECT_EQ(1, windows->GetDispInfo(&item));
    EXPECT_EQ(1, item.iImage);
    EXPECT_EQ(1, item.iSelectedImage);
    EXPECT_EQ(2, item.cChildren);
    EXPECT_EQ(nullptr, item.pszText);
    EXPECT_FALSE(windows->m_row.IsLabelCurrent());

    TVITEMW text = {};
    text.mask = TVIF_TEXT;
    text.iImage = -7;
    text.iSelectedImage = -7;
    text.cChildren = -7;
    EXPECT_EQ(1, windows->GetDispInfo(&text));
    ASSERT_NE(nullptr, text.pszText);
    EXPECT_STREQ(L"Windows ( 1.50 Mb )", text.pszText);
    EXPECT_TRUE(windows->m_row.IsLabelCurrent());
    EXPECT_EQ(-7, text.iImage);
    EXPECT_EQ(-7, text.iSelectedImage);
    EXPECT_EQ(-7, text.cChildren);

    // A valid label is served from the cache; a write invalidates it.
    windows->m_qwordWrittenWithSubitems = 0;
    text.pszText = nullptr;
    windows->GetDispInfo(&text);
    EXPECT_STREQ(L"Windows ( 1.50 Mb )", text.pszText);
    InsertPath(root, L"C:\\Windows\\win.ini")->AddWrite(2048, nullptr);
    windows->GetDispInfo(&text);
    EXPECT_STREQ(L"Windows ( 2.00 Kb )", text.pszText);

    TVITEMW drive = {};
    drive.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    windows->m_pParent->GetDispInfo(&drive);
    EXPECT_STREQ(L"C: ( 1.50 Mb )", drive.pszText);
    EXPECT_EQ(0, drive.iImage);
    EXPECT_EQ(0, drive.iSelectedImage);
    EXPECT_EQ(1, drive.cChildren);
}

TEST(RemoveAllChildren, EmptiesTheTreeButKeepsTheItemsOwnCounters)
{
    RecordingObserver observer;
    TestRoot root;
    const CQProcess p = MakeProcess(0);
    InsertPath(root, L"C:\\a\\b\\c")->AddWrite(5000, &p);
    InsertPath(root, L"D:\\x")->AddWrite(7, nullptr);
    root.AddWrite(3, &p);
    root.RemoveAllChildren();
    EXPECT_EQ(0, root.m_arrChildren.GetSize());
    EXPECT_EQ(5010u, root.m_qwordWrittenWithSubitems);
    EXPECT_EQ(3u, root.m_qwordWritten);
    EXPECT_EQ(4096u, root.m_qwordWrittenAligned);
    EXPECT_EQ(1, root.m_arrProcessLinks.GetSize());
    EXPECT_EQ(3u, root.SumWritten());

    // The tree grows again as new; every item is created (and reported) afresh.
    observer.items.clear();
    CQTreeItem* c = InsertPath(root, L"c:\\A\\b\\C");
    EXPECT_EQ(4u, observer.items.size());
    EXPECT_EQ(L"c:\\A\\b\\C", FullPath(c));
    EXPECT_EQ(0u, c->m_qwordWritten);
}

TEST(TreeItem, CountersAreOneBlockInOrder)
{
    CQTreeItemFile item;
    const char* first = reinterpret_cast<const char*>(&item.m_qwordWrittenWithSubitems);
    EXPECT_EQ(first + 8, reinterpret_cast<const char*>(&item.m_qwordWritten));
    EXPECT_EQ(first + 16, reinterpret_cast<const char*>(&item.m_qwordWrittenAligned));
    EXPECT_FALSE(item.m_row.IsLabelCurrent());
    EXPECT_EQ(nullptr, item.m_pParent);
    EXPECT_TRUE(item.m_csName.empty());
    EXPECT_EQ(0u, item.m_row.GetLabelLength());
    EXPECT_EQ(nullptr, item.m_row.GetHandle());
}

// A path of many thousand levels (long paths allow it) must not run the stack out in any walk.
TEST(TreeItem, VeryDeepTreesNeedNoDeepRecursion)
{
    const int depth = 200000;
    std::vector<std::wstring_view> parts(depth, L"d");
    parts[0] = L"C:";
    const CQProcess p = MakeProcess(4);
    {
        TestRoot root;
        CQTreeItem* leaf = root.FindOrInsert(parts, 0, 1);
        leaf->AddWrite(9, &p);
        EXPECT_EQ(0u, leaf->GetType());
        EXPECT_EQ(9u, root.m_qwordWrittenWithSubitems);
        EXPECT_EQ(9u, root.SumWritten());
        EXPECT_EQ((std::vector<Total>{{4, 9}}), Totals(&root, 1));
        EXPECT_EQ(size_t(2 + (depth - 1) * 2), FullPath(leaf).size());
        EXPECT_EQ(leaf, root.FindOrInsert(parts, 0, 1));
        root.RemoveAllChildren();
        EXPECT_EQ(0, root.m_arrChildren.GetSize());
        root.FindOrInsert(parts, 0, 1);
    } // the destructor frees the second deep tree
}
} // namespace
