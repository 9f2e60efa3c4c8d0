#include <gtest/gtest.h>

#include <string>

#include "data/CompactString.h"

namespace
{
TEST(CQCompactString, EmptyIsOnePointerWithNoBlock)
{
    static_assert(sizeof(CQCompactString) == sizeof(void*), "one pointer");
    CQCompactString text;
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(0u, text.length());
    EXPECT_STREQ(L"", text.c_str());

    text = L"abc";
    text = std::wstring();
    EXPECT_TRUE(text.empty()); // assigning an empty text frees the block
    EXPECT_STREQ(L"", text.c_str());
}

TEST(CQCompactString, HoldsTextWithLengthAndTerminator)
{
    const std::wstring source(L"pagefile.sys\0tail", 17); // an embedded zero is part of the text
    CQCompactString text(source);
    EXPECT_EQ(17u, text.length());
    EXPECT_EQ(source, text.str());
    EXPECT_EQ(L'\0', text.c_str()[17]);
    EXPECT_TRUE(text == source);

    CQCompactString copy(text);
    EXPECT_TRUE(copy == text);
    EXPECT_NE(copy.c_str(), text.c_str());

    CQCompactString moved(std::move(copy));
    EXPECT_TRUE(moved == source);
    EXPECT_TRUE(copy.empty());
}

TEST(CQCompactString, SameLengthIsRewrittenInPlace)
{
    CQCompactString label(L"a ( 1.50 Mb )");
    const wchar_t* before = label.c_str();
    label = L"a ( 1.51 Mb )";
    EXPECT_EQ(before, label.c_str());
    EXPECT_STREQ(L"a ( 1.51 Mb )", label.c_str());
    label = L"a ( 10.51 Mb )";
    EXPECT_STREQ(L"a ( 10.51 Mb )", label.c_str());
}

TEST(CQCompactString, AssignFromItsOwnText)
{
    CQCompactString text(L"Windows");
    text = text;
    EXPECT_STREQ(L"Windows", text.c_str());
    text.Assign(text.c_str() + 3, 4); // a shorter piece of itself
    EXPECT_STREQ(L"dows", text.c_str());
    text.Assign(text.c_str() + 1, 3);
    EXPECT_STREQ(L"ows", text.c_str());
}
} // namespace
