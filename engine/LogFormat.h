// printf-style log lines for the engine. The formats follow MinGW's C99 rules: %ls for wide strings.
#pragma once

#include <string>

// The formatted text, however long it gets.
std::wstring FormatText(const wchar_t* format, ...);
// Formats a line and adds it to the program log.
void LogFormatted(const wchar_t* format, ...);
