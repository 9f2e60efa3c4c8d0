#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "data/Process.h"

namespace
{
TEST(CQProcess, GetDispInfoGivesNameAndWrittenColumns)
{
    CQProcess process;
    process.m_csProcessName = L"explorer.exe";
    process.m_qwordWritten = 1572864;

    wchar_t buffer[4] = L"old";
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iSubItem = 0;
    item.pszText = buffer;
    EXPECT_EQ(1, process.GetDispInfo(&item));
    EXPECT_STREQ(L"explorer.exe", item.pszText);

    item.iSubItem = 1;
    EXPECT_EQ(1, process.GetDispInfo(&item));
    EXPECT_STREQ(L"1.50 Mb", item.pszText);
    EXPECT_EQ(L"1.50 Mb", process.m_csWrittenText);

    // Rebuilt at every request.
    process.m_qwordWritten = 0;
    process.GetDispInfo(&item);
    EXPECT_STREQ(L"0.00 b", item.pszText);

    // Other columns and masks are left alone.
    for (const auto& request : {std::make_pair(UINT(LVIF_TEXT), 2), std::make_pair(UINT(LVIF_IMAGE), 0),
                                std::make_pair(UINT(LVIF_PARAM), 1)})
    {
        item.mask = request.first;
        item.iSubItem = request.second;
        item.pszText = buffer;
        EXPECT_EQ(1, process.GetDispInfo(&item));
        EXPECT_EQ(buffer, item.pszText) << "mask " << request.first << " column " << request.second;
        EXPECT_STREQ(L"old", buffer);
    }
}

TEST(CQProcess, RowsCompareByAllSixtyFourBitsLargestFirst)
{
    const struct
    {
        uint64_t a, b;
        int expected;
    } cases[] = {
        {10, 5, -1},
        {5, 10, 1},
        {7, 7, 0},
        {0, 0, 0},
        {0x100000000ULL, 0xFFFFFFFFULL, -1}, // high word decides, not the low one
        {0x100000000ULL, 0x200000000ULL, 1},
        {0x1FFFFFFFFULL, 0x200000000ULL, 1},
        {UINT64_MAX, 0x8000000000000000ULL, -1},
        {0x500000001ULL, 0x500000001ULL, 0},
    };
    for (const auto& c : cases)
    {
        CQProcess a, b;
        a.m_qwordWritten = c.a;
        b.m_qwordWritten = c.b;
        EXPECT_EQ(c.expected, CompareProcessRows(&a, &b)) << std::hex << c.a << " vs " << c.b;
        EXPECT_EQ(c.expected,
                  CompareProcessRowsCallback(reinterpret_cast<LPARAM>(&a), reinterpret_cast<LPARAM>(&b), 0));
    }
}

TEST(CQProcess, FreshRecordAndSavedLayout)
{
    CQProcess process;
    EXPECT_TRUE(process.m_csProcessName.empty());
    EXPECT_EQ(0u, process.m_qwordWritten);
    EXPECT_EQ(0u, process.m_dwordIndex);
    EXPECT_EQ(-1, process.m_intListIndex);
    const char* written = reinterpret_cast<const char*>(&process.m_qwordWritten);
    EXPECT_EQ(written + 8, reinterpret_cast<const char*>(&process.m_dwordIndex));

    EXPECT_EQ(12u, sizeof(CQProcessLink));
    EXPECT_EQ(0u, offsetof(CQProcessLink, m_qwordWritten));
    EXPECT_EQ(8u, offsetof(CQProcessLink, m_dwordProcessIndex));
    // Twelve bytes apart in an array too: no tail padding.
    CQProcessLink links[2];
    EXPECT_EQ(12, reinterpret_cast<const char*>(&links[1]) - reinterpret_cast<const char*>(&links[0]));
}
} // namespace
