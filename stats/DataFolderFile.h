// The files of the data folder that the program reads back at start and rewrites at every save (the write
// history, the drive history): where they lie, and the log lines that say what could not be used.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// `name` in `dataFolder`; empty without a data folder.
std::wstring DataFolderFilePath(const std::wstring& dataFolder, const wchar_t* name);

// One log line for each damaged line reported, then one for the `count` beyond them.
void LogDamagedLines(const wchar_t* name, const std::vector<std::wstring>& problems, size_t count);
