#include "engine/LogFormat.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

#include "app/Log.h"

namespace
{
std::wstring FormatArgs(const wchar_t* format, va_list args)
{
    // vswprintf reports truncation only by failing, so the buffer grows until the text fits.
    std::vector<wchar_t> buffer(256);
    for (;;)
    {
        va_list copy;
        va_copy(copy, args);
        const int cch = vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (cch >= 0 && static_cast<size_t>(cch) < buffer.size())
            return std::wstring(buffer.data(), static_cast<size_t>(cch));
        if (buffer.size() >= (1u << 20))
            return std::wstring();
        buffer.resize(buffer.size() * 4);
    }
}
} // namespace

std::wstring FormatText(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatArgs(format, args);
    va_end(args);
    return text;
}

void LogFormatted(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatArgs(format, args);
    va_end(args);
    LogLine(text);
}
