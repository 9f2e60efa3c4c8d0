// The one CSV writer of the export, the write history and the clipboard: quoting as RFC 4180 has it,
// text that a spreadsheet would run as a formula marked with a leading apostrophe (the practice OWASP
// describes for CSV injection), and UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "data/csv/CsvText.h"
#include "data/csv/Utf8.h"

TEST(CsvText, FieldsAreQuotedWhereCsvNeedsItAndFormulasAreMarkedAsText)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* field;
        const wchar_t* cell; // in tab-separated text
    };
    const Case cases[] = {
        {L"", L"", L""},
        {L"plain.exe", L"plain.exe", L"plain.exe"},
        {L"a,b", L"\"a,b\"", L"a,b"},
        {L"say \"x\"", L"\"say \"\"x\"\"\"", L"say \"x\""},
        {L"line\r\nbreak", L"\"line\r\nbreak\"", L"line\r\nbreak"},
        {L" lead", L"\" lead\"", L" lead"},
        {L"trail ", L"\"trail \"", L"trail "},
        {L"inner blank", L"inner blank", L"inner blank"},
        {L"\u0416", L"\"\u0416\"", L"\u0416"},
        // What a spreadsheet takes for a formula, and the mark itself.
        {L"=HYPERLINK(\"http://x\")", L"\"'=HYPERLINK(\"\"http://x\"\")\"", L"'=HYPERLINK(\"http://x\")"},
        {L"=1+2", L"'=1+2", L"'=1+2"},
        {L"+1", L"'+1", L"'+1"},
        {L"-2.exe", L"'-2.exe", L"'-2.exe"},
        {L"@SUM(A1)", L"'@SUM(A1)", L"'@SUM(A1)"},
        {L"\tcmd", L"\"'\tcmd\"", L"'\tcmd"},
        {L"\rcmd", L"\"'\rcmd\"", L"'\rcmd"},
        {L"'quoted", L"''quoted", L"''quoted"},
        {L"=a,b ", L"\"'=a,b \"", L"'=a,b "},
        // Only the first character counts.
        {L"a=b", L"a=b", L"a=b"},
        {L"x-1", L"x-1", L"x-1"},
        {L" =1", L"\" =1\"", L" =1"},
    };
    for (const Case& c : cases)
    {
        std::wstring out = L"x";
        AppendCsvField(out, c.text);
        EXPECT_EQ(std::wstring(L"x") + c.field, out) << testing::PrintToString(std::wstring(c.text));
        std::wstring cell = L"y";
        AppendSpreadsheetText(cell, c.text);
        EXPECT_EQ(std::wstring(L"y") + c.cell, cell) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(CsvText, TheMarkComesOffOnlyWhereTheWriterPutItOn)
{
    const struct
    {
        const char* field;
        const char* text;
    } cases[] = {
        {"'=1+2", "=1+2"}, {"'-x", "-x"}, {"''quoted", "'quoted"}, {"'\tx", "\tx"},  {"'plain", "'plain"},
        {"'", "'"},        {"", ""},      {"=raw", "=raw"},        {"a'=b", "a'=b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string(c.text), std::string(StripSpreadsheetTextMark(c.field))) << c.field;
}

TEST(CsvText, DecimalsAndUtf8)
{
    std::wstring digits;
    AppendDecimal(digits, 0);
    digits += L' ';
    AppendDecimal(digits, UINT64_MAX);
    EXPECT_EQ(L"0 18446744073709551615", digits);

    std::string utf8;
    // Two, three and four bytes, then a lone high and a lone low surrogate.
    AppendUtf8(utf8, std::wstring(L"\u00e9\u20ac\U0001F600") + wchar_t(0xD800) + L"a" + wchar_t(0xDC00));
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD"
              "a\xEF\xBF\xBD",
              utf8);
    EXPECT_TRUE(IsUtf8(utf8));
    EXPECT_FALSE(IsUtf8("\xC3\x28"));
    EXPECT_EQ(std::wstring(L"\u00e9\u20ac\U0001F600"), WidenUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
}
