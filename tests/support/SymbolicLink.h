// Planting a symbolic link, as an unelevated program of the user could in the data folder.
#pragma once

#include <string>

// Makes `link` a symbolic link to `target` (an existing file or folder). CreateSymbolicLinkW where it
// works; under Wine, whose CreateSymbolicLinkW reports success without making anything, a link of the
// host's file system, which Wine follows as Windows follows a link (GetFinalPathNameByHandleW names the
// target). Empty when the link exists, otherwise why not, for GTEST_SKIP.
std::string PlantSymbolicLink(const std::wstring& link, const std::wstring& target);
