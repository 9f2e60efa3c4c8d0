#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "data/NameCompare.h"

namespace
{
int SingleUnitCompare(wchar_t a, wchar_t b)
{
    const wchar_t left[2] = {a, 0};
    const wchar_t right[2] = {b, 0};
    return _wcsicmp(left, right);
}

// Sorting every UTF-16 unit with _wcsicmp puts the units it calls equal next to each other; each such group
// must share one folded value, and no two groups may share one. This ties the fold to the runtime's own
// rule, whatever that rule is for letters outside ASCII.
TEST(NameCompare, FoldAgreesWithWcsicmpOnEveryUnit)
{
    std::vector<wchar_t> units;
    for (unsigned c = 1; c <= 0xFFFF; ++c)
        units.push_back(static_cast<wchar_t>(c));
    std::stable_sort(units.begin(), units.end(),
                     [](wchar_t a, wchar_t b) { return SingleUnitCompare(a, b) < 0; });

    std::set<wchar_t> foldsOfEarlierGroups;
    size_t groupStart = 0;
    int failures = 0;
    for (size_t i = 1; i <= units.size() && failures < 10; ++i)
    {
        if (i < units.size() && SingleUnitCompare(units[groupStart], units[i]) == 0)
        {
            if (FoldNameChar(units[i]) != FoldNameChar(units[groupStart]))
            {
                ADD_FAILURE() << std::hex << "_wcsicmp joins U+" << unsigned(units[groupStart]) << " and U+"
                              << unsigned(units[i]) << " but they fold to U+"
                              << unsigned(FoldNameChar(units[groupStart])) << " and U+"
                              << unsigned(FoldNameChar(units[i]));
                ++failures;
            }
            continue;
        }
        const wchar_t fold = FoldNameChar(units[groupStart]);
        if (!foldsOfEarlierGroups.insert(fold).second)
        {
            ADD_FAILURE() << std::hex << "U+" << unsigned(units[groupStart]) << " folds to U+"
                          << unsigned(fold) << ", which another _wcsicmp group already has";
            ++failures;
        }
        groupStart = i;
    }
}

struct NamePair
{
    const wchar_t* a;
    const wchar_t* b;
};

TEST(NameCompare, NamesEqualExactlyWhenWcsicmpSaysSo)
{
    const NamePair pairs[] = {
        {L"Temp", L"TEMP"},
        {L"temp", L"tEmP"},
        {L"Temp", L"Temp1"},
        {L"", L""},
        {L"a", L""},
        {L"[x]", L"{x}"}, // brackets sit between the cases in ASCII and must not fold
        {L"@", L"`"},
        {L"\u00c4pfel", L"\u00e4pfel"},
        {L"\u00c4PFEL", L"\u00e4pfel"},
        {L"\u041f\u0420\u0418\u0412\u0415\u0422", L"\u043f\u0440\u0438\u0432\u0435\u0442"},
        {L"\u03a3\u03b9\u03c3", L"\u03c3\u03b9\u03c3"},
        {L"\u0130", L"i"},
        {L"I", L"\u0131"},
        {L"stra\u00dfe", L"STRASSE"},
        {L"\u00ff", L"\u0178"},
        {L"\xd83d\xde00", L"\xd83d\xde00"},
    };
    for (const NamePair& pair : pairs)
    {
        const bool expected = _wcsicmp(pair.a, pair.b) == 0;
        EXPECT_EQ(expected, NamesEqualNoCase(pair.a, wcslen(pair.a), pair.b, wcslen(pair.b)))
            << "'" << testing::PrintToString(std::wstring(pair.a)) << "' vs '"
            << testing::PrintToString(std::wstring(pair.b)) << "'";
        if (expected)
        {
            EXPECT_EQ(HashNameNoCase(pair.a, wcslen(pair.a)), HashNameNoCase(pair.b, wcslen(pair.b)));
        }
    }
}
} // namespace
