#include "stats/DataFolderFile.h"

#include "app/Log.h"

std::wstring DataFolderFilePath(const std::wstring& dataFolder, const wchar_t* name)
{
    if (dataFolder.empty())
        return std::wstring();
    std::wstring path = dataFolder;
    if (path.back() != L'\\')
        path += L'\\';
    return path + name;
}

void LogDamagedLines(const wchar_t* name, const std::vector<std::wstring>& problems, size_t count)
{
    for (const std::wstring& problem : problems)
        LogLine(std::wstring(name) + L", " + problem);
    if (count > problems.size())
        LogLine(std::wstring(name) + L": " + std::to_wstring(count - problems.size()) +
                L" more damaged lines");
}
