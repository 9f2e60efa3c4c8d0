// Splits a path into its components for CQTreeItem::FindOrInsert.
#pragma once

#include <string>
#include <vector>

// Appends the non-empty backslash-separated components of path to parts (C:\Temp\a.txt gives C:, Temp and
// a.txt; empty components from leading, doubled or trailing backslashes are skipped) and returns the number
// of strings in parts afterwards.
int SplitPath(const std::wstring& path, std::vector<std::wstring>& parts);
