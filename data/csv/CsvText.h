// CSV text as every file and clipboard text the program writes for spreadsheets has it: fields quoted
// where CSV needs it, text that a spreadsheet would take for a formula marked as text, decimal numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Appends text as one field. Text that starts with '=', '+', '-', '@', a tab or a carriage return
// (which a spreadsheet would run as a formula) gets a leading apostrophe, the mark that makes a
// spreadsheet take it as text; so does text that starts with an apostrophe, so that reading the mark
// back is never in doubt. The field is then put in double quotes, with each quote doubled, when it holds
// a comma, a quote, a control character such as a line break, any character beyond ASCII, or starts or
// ends with a blank; otherwise it stands as it is.
void AppendCsvField(std::wstring& out, std::wstring_view text);

// Appends text for a cell of tab-separated text (the clipboard): with the mark above, not quoted.
void AppendSpreadsheetText(std::wstring& out, std::wstring_view text);

// A field read back without the mark that AppendCsvField gave it; other text as it is.
std::string_view StripSpreadsheetTextMark(std::string_view field);

// Appends the value in decimal digits.
void AppendDecimal(std::wstring& out, uint64_t value);
