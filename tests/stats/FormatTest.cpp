#include <gtest/gtest.h>

#include "stats/Format.h"

namespace
{
struct SizeCase
{
    uint64_t bytes;
    const wchar_t* text;
};

TEST(FormatSize, PicksTheUnitByStrictPowersOf1024)
{
    const SizeCase cases[] = {
        {0, L"0.00 b"},
        {1, L"1.00 b"},
        {1024, L"1024.00 b"},
        {1025, L"1.00 Kb"},
        {1536, L"1.50 Kb"},
        {1048576, L"1024.00 Kb"},
        {1572864, L"1.50 Mb"},
        {1073741825ULL, L"1.00 Gb"},
        {5ULL << 40, L"5.00 Tb"},
        {(1ULL << 50) + (1ULL << 49), L"1.50 Pb"},
        {UINT64_MAX, L"16384.00 Pb"},
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(std::wstring(c.text), FormatSize(c.bytes)) << "bytes " << c.bytes;
}

TEST(FormatSize, OverwritesTheCallersString)
{
    std::wstring text = L"something long that was there before";
    FormatSize(2048, text);
    EXPECT_EQ(L"2.00 Kb", text);
}

TEST(FormatDuration, DaysUnpaddedTimeOfDayPadded)
{
    const struct
    {
        int64_t seconds;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 00:00:00"},     {1, L"0 00:00:01"},       {86400 + 3600 + 60 + 1, L"1 01:01:01"},
        {86399, L"0 23:59:59"}, {864000, L"10 00:00:00"}, {400LL * 86400 + 5 * 3600 + 7, L"400 05:00:07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), FormatDuration(c.seconds)) << "seconds " << c.seconds;
}

TEST(FormatCount, PlainDecimalWithoutGrouping)
{
    EXPECT_EQ(L"0", FormatCount(0));
    EXPECT_EQ(L"18446744073709551615", FormatCount(UINT64_MAX));
    EXPECT_EQ(L"-42", FormatSignedCount(-42));
}
} // namespace
