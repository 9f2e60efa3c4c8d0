#include "data/csv/CsvText.h"

namespace
{
constexpr wchar_t kTextMark = L'\'';

// What a spreadsheet starts a formula with, and the mark itself.
template <class Char> bool StartsLikeFormula(std::basic_string_view<Char> text)
{
    if (text.empty())
        return false;
    switch (text.front())
    {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
    case '\'':
        return true;
    default:
        return false;
    }
}

bool NeedsQuotes(std::wstring_view text)
{
    if (text.empty())
        return false;
    if (text.front() == L' ' || text.back() == L' ')
        return true;
    for (wchar_t c : text)
    {
        if (c == L',' || c == L'"' || c < 0x20 || c >= 0x7F)
            return true;
    }
    return false;
}
} // namespace

void AppendSpreadsheetText(std::wstring& out, std::wstring_view text)
{
    if (StartsLikeFormula(text))
        out += kTextMark;
    out.append(text);
}

void AppendCsvField(std::wstring& out, std::wstring_view text)
{
    // The mark is no blank, comma or quote: the text alone decides the quotes.
    if (!NeedsQuotes(text))
    {
        AppendSpreadsheetText(out, text);
        return;
    }
    out += L'"';
    if (StartsLikeFormula(text))
        out += kTextMark;
    for (wchar_t c : text)
    {
        if (c == L'"')
            out += L'"';
        out += c;
    }
    out += L'"';
}

std::string_view StripSpreadsheetTextMark(std::string_view field)
{
    if (field.size() >= 2 && field.front() == '\'' && StartsLikeFormula(field.substr(1)))
        field.remove_prefix(1);
    return field;
}

void AppendDecimal(std::wstring& out, uint64_t value)
{
    wchar_t digits[20];
    int count = 0;
    do
    {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        out += digits[--count];
}
