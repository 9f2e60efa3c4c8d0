// Reading and replacing "Write History.csv". The file is the user's to edit, so it is read as hostile:
// only a plain file of sensible size is read, and a replace never leaves anything but the old file or
// the complete new one.
#pragma once

#include <string>

// Larger files are not read (ten years of rows take about a megabyte).
constexpr unsigned long long kMaxHistoryFileBytes = 16ull << 20;

enum class CQHistoryRead
{
    read,
    missing,
    unreadable // `reason` says why
};

CQHistoryRead ReadHistoryFile(const std::wstring& path, std::string& bytes, std::wstring& reason);

// Writes a temporary beside `path`, flushes it to the disk and moves it over `path` (write-through).
// On any failure the old file stays as it was, the temporary is removed and the step is logged.
bool ReplaceFileWith(const std::wstring& path, const std::string& bytes);
