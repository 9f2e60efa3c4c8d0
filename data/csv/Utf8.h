// UTF-8, the encoding of every text file the program writes and reads for spreadsheets.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::wstring_view text);

// Whether the bytes are complete, valid UTF-8.
bool IsUtf8(std::string_view bytes);

// The UTF-8 bytes as UTF-16; invalid sequences become U+FFFD.
std::wstring WidenUtf8(std::string_view bytes);
