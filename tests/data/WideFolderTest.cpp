#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "data/TreeItemFile.h"
#include "TreeTestSupport.h"

namespace
{
// First child that _wcsicmp calls equal to name, the rule the lookup must follow.
CQTreeItem* FirstMatchByWcsicmp(const CQTreeItem& folder, const std::wstring& name)
{
    for (int i = 0; i < folder.m_arrChildren.GetSize(); ++i)
    {
        if (_wcsicmp(folder.m_arrChildren[i]->m_csName.c_str(), name.c_str()) == 0)
            return folder.m_arrChildren[i];
    }
    return nullptr;
}

std::wstring FileName(int i)
{
    wchar_t name[32];
    swprintf(name, 32, L"file_%06d.tmp", i);
    return name;
}

// Names that differ only in case, in and outside ASCII. AddFileChild does not look for an existing child (a
// saved tree may hold such twins), so all of them are children; lookups must find the first.
const wchar_t* const kTwins[] = {
    L"Data.bin",
    L"DATA.BIN",
    L"\u00c4pfel.txt",
    L"\u00e4PFEL.TXT",
    L"\u041f\u0440\u0438\u0432\u0435\u0442",
    L"\u043f\u0420\u0418\u0412\u0415\u0422",
    L"\u03a3\u03bf\u03c6\u03b9\u03b1",
    L"\u03c3\u039f\u03a6\u0399\u0391",
    L"stra\u00dfe",
    L"STRASSE",
    L"\u0130stanbul",
    L"istanbul",
    L"\u00ff.dat",
    L"\u0178.DAT",
};

class WideFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = static_cast<CQTreeItemFolder*>(InsertPath(root, L"C:\\wide", 0));
        // The twins are spread out, with their partners far behind them.
        const int count = 50000;
        int twin = 0;
        for (int i = 0; i < count; ++i)
        {
            if (i % 3571 == 100 && twin < int(sizeof(kTwins) / sizeof(kTwins[0])))
                folder->AddFileChild(kTwins[twin++], 1);
            folder->AddFileChild(FileName(i), 1);
        }
        ASSERT_EQ(count + int(sizeof(kTwins) / sizeof(kTwins[0])), folder->m_arrChildren.GetSize());
    }

    CQTreeItem* Lookup(const std::wstring& name) { return root.FindOrInsert({L"C:", L"wide", name}, 0, 1); }

    TestRoot root;
    CQTreeItemFolder* folder = nullptr;
};

TEST_F(WideFolder, EveryChildIsFoundAsTheFirstMatch)
{
    const int count = folder->m_arrChildren.GetSize();
    for (int i = 0; i < count; ++i)
    {
        CQTreeItem* child = folder->m_arrChildren[i];
        // The numbered names are unique: each finds itself. A twin finds the first of its kind.
        const bool numbered = child->m_csName.str().compare(0, 5, L"file_") == 0;
        CQTreeItem* expected = numbered ? child : FirstMatchByWcsicmp(*folder, child->m_csName.str());
        CQTreeItem* found = Lookup(child->m_csName.str());
        ASSERT_EQ(expected, found) << "child " << i << " " << testing::PrintToString(child->m_csName.str());
    }
    EXPECT_EQ(count, folder->m_arrChildren.GetSize()) << "a lookup created an item";
}

TEST_F(WideFolder, CaseVariantsFindWhatWcsicmpFinds)
{
    std::vector<std::wstring> queries = {L"data.BIN",
                                         L"FILE_000000.TMP",
                                         L"File_049999.Tmp",
                                         L"file_050000.tmp",
                                         L"\u00e4pfel.txt",
                                         L"\u00c4PFEL.TXT",
                                         L"\u041f\u0420\u0418\u0412\u0415\u0422",
                                         L"\u03c3\u03bf\u03c6\u03b9\u03b1",
                                         L"Stra\u00dfe",
                                         L"strasse",
                                         L"\u0130STANBUL",
                                         L"ISTANBUL",
                                         L"\u0178.dat",
                                         L"\u00ff.DAT",
                                         L"nothing.here"};
    for (const std::wstring& query : queries)
    {
        CQTreeItem* expected = FirstMatchByWcsicmp(*folder, query);
        const int before = folder->m_arrChildren.GetSize();
        CQTreeItem* found = Lookup(query);
        if (expected != nullptr)
        {
            EXPECT_EQ(expected, found) << testing::PrintToString(query) << " found "
                                       << testing::PrintToString(found->m_csName.str());
            EXPECT_EQ(before, folder->m_arrChildren.GetSize());
        }
        else
        {
            // A new child with the query's spelling, found again afterwards.
            EXPECT_EQ(before + 1, folder->m_arrChildren.GetSize()) << testing::PrintToString(query);
            EXPECT_EQ(query, found->m_csName.str());
            EXPECT_EQ(found, Lookup(query));
        }
    }
}

TEST_F(WideFolder, ChildrenAppendedLaterAreFound)
{
    Lookup(FileName(0)); // builds the lookup index
    CQTreeItem* direct = folder->AddFileChild(L"Late.Child", 1);
    EXPECT_EQ(direct, Lookup(L"late.child"));
}

TEST_F(WideFolder, ClearingDropsTheIndex)
{
    Lookup(FileName(1));
    folder->RemoveAllChildren();
    EXPECT_EQ(0, folder->m_arrChildren.GetSize());
    // Names that were in the old index must now make new items.
    for (int i = 0; i < 100; ++i)
    {
        CQTreeItem* item = Lookup(FileName(i));
        ASSERT_EQ(i + 1, folder->m_arrChildren.GetSize()) << i;
        EXPECT_EQ(folder->m_arrChildren[i], item);
    }
    EXPECT_EQ(folder->m_arrChildren[5], Lookup(L"FILE_000005.TMP"));
}
} // namespace
