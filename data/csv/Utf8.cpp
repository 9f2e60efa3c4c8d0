#include "data/csv/Utf8.h"

#include <windows.h>

#include <cstdint>

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

bool IsUtf8(std::string_view bytes)
{
    return bytes.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                  static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::wstring WidenUtf8(std::string_view bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, &wide[0], length);
    return wide;
}
