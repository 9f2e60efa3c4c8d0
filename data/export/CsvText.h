// Pieces of CSV text: fields quoted where needed, decimal numbers, and UTF-8 for the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Appends text as one field. It is put in double quotes, with each quote doubled, when it holds a comma,
// a quote, a control character such as a line break, any character beyond ASCII, or starts or ends with
// a blank; otherwise as it is.
void AppendCsvField(std::wstring& out, std::wstring_view text);

// Appends the value in decimal digits.
void AppendDecimal(std::wstring& out, uint64_t value);

// Appends the UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::wstring_view text);
