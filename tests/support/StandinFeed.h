// Lines of the stand-in driver's feed file: a reply as hex digits, handed out once ("raw") or a number of
// times ("repeat"), and the append that tests and benchmarks write the feed with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

std::string RawFeedLine(const std::vector<BYTE>& reply);
std::string RepeatFeedLine(uint64_t count, const std::vector<BYTE>& reply);

// Appends to the file (made when missing), shared so that the stand-in may read it meanwhile. False when
// it cannot be opened or not all was written, with the system's error left in GetLastError.
bool AppendToFile(const std::wstring& path, const std::string& text);
