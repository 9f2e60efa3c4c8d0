#include "data/export/CsvText.h"

namespace
{
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

void AppendCsvField(std::wstring& out, std::wstring_view text)
{
    if (!NeedsQuotes(text))
    {
        out.append(text);
        return;
    }
    out += L'"';
    for (wchar_t c : text)
    {
        if (c == L'"')
            out += L'"';
        out += c;
    }
    out += L'"';
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

void AppendUtf8(std::string& out, std::wstring_view text)
{
    const size_t length = text.size();
    for (size_t i = 0; i < length; ++i)
    {
        uint32_t c = text[i];
        if (c < 0x80)
        {
            out += static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF)
        {
            const bool paired =
                c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            if (paired)
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
            else
                c = 0xFFFD;
        }
        if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
