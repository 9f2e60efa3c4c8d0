#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "data/NameCompare.h"
#include "TreeTestSupport.h"

namespace
{
// The case mapping of the "C" locale, the program's: that of ASCII (ISO/IEC 646), whose code chart puts the
// capitals A to Z at 0x41 to 0x5A and the small letters at 0x61 to 0x7A. Nothing else has a case there, so
// letters that Unicode's simple lowercase mappings would lower (U+00C4 to U+00E4, U+0130 to U+0069, U+03A3
// to U+03C3, U+212A to U+006B) stay as they are.
TEST(NameCompare, FoldIsTheCLocaleMappingOnEveryUnit)
{
    int failures = 0;
    for (unsigned c = 0; c <= 0xFFFF && failures < 10; ++c)
    {
        const unsigned expected = (c >= 0x41 && c <= 0x5A) ? c + 0x20 : c;
        const unsigned folded = static_cast<uint16_t>(FoldNameChar(static_cast<wchar_t>(c)));
        if (folded != expected)
        {
            ADD_FAILURE() << std::hex << "U+" << c << " folds to U+" << folded << ", expected U+" << expected;
            ++failures;
        }
    }
}

// Any code in the process may set a locale; names already in the tree must stay findable under their own
// spelling, however many children their folder has (scanned below 65, indexed above).
TEST(NameCompare, ALocaleSetLaterChangesNoLookup)
{
    const wchar_t* const names[] = {L"\u00c4pfel.txt", L"\u0130stanbul", L"\u03a3\u03bf\u03c6\u03b9\u03b1",
                                    L"Data.bin"};
    for (const int siblings : {3, 100})
    {
        TestRoot root;
        std::vector<CQTreeItem*> items;
        for (int i = 0; i < siblings; ++i)
            InsertPath(root, L"C:\\d\\sibling" + std::to_wstring(i));
        for (const wchar_t* name : names)
            items.push_back(InsertPath(root, std::wstring(L"C:\\d\\") + name));
        const uint32_t hash = HashNameNoCase(names[0], wcslen(names[0]));

        const std::string previous = setlocale(LC_ALL, nullptr);
        if (setlocale(LC_ALL, "") == nullptr || towlower(0xC4) == 0xC4)
        {
            setlocale(LC_ALL, previous.c_str());
            GTEST_SKIP() << "no locale here lowers U+00C4";
        }
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i], InsertPath(root, std::wstring(L"C:\\D\\") + names[i]))
                << siblings << " siblings, name " << i;
        const int children = items[0]->m_pParent->m_arrChildren.GetSize();
        const uint32_t hashAfter = HashNameNoCase(names[0], wcslen(names[0]));
        const bool lowerIsAnother = InsertPath(root, L"C:\\d\\\u00e4pfel.txt") != items[0];
        setlocale(LC_ALL, previous.c_str());

        EXPECT_EQ(siblings + 4, children) << "a lookup made a twin";
        EXPECT_EQ(hash, hashAfter);
        EXPECT_TRUE(lowerIsAnother) << "U+00E4 is another letter than U+00C4 in the C locale";
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
