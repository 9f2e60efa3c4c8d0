// Splits a path into its components for CQTreeItem::FindOrInsert.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Appends the non-empty backslash-separated components of path to parts (C:\Temp\a.txt gives C:, Temp and
// a.txt; empty components from leading, doubled or trailing backslashes are skipped) and returns the number
// of components in parts afterwards. The components are views into path, which must outlive them; they
// cost no allocation, and a caller that keeps parts between calls (clearing it) allocates nothing at all.
int SplitPath(const std::wstring& path, std::vector<std::wstring_view>& parts);
// A temporary path would leave the views dangling.
int SplitPath(std::wstring&& path, std::vector<std::wstring_view>& parts) = delete;
// The last component that SplitPath would give, a view into path (empty when it gives none). What comes
// before it is the path's folder part.
std::wstring_view LastComponent(std::wstring_view path);
