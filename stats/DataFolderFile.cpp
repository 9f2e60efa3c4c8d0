#include "stats/DataFolderFile.h"

#include "app/Log.h"
#include "stats/history/HistoryFile.h"

std::wstring DataFolderFilePath(const std::wstring& dataFolder, const wchar_t* name)
{
    if (dataFolder.empty())
        return std::wstring();
    std::wstring path = dataFolder;
    if (path.back() != L'\\')
        path += L'\\';
    return path + name;
}

bool ReadRewrittenFile(const std::wstring& path, const wchar_t* name, bool atStart, std::string& bytes)
{
    std::wstring reason;
    if (ReadHistoryFile(path, bytes, reason) != CQHistoryRead::unreadable)
        return true;
    if (atStart)
        LogLine(std::wstring(name) + L" can't be read (" + reason +
                L"); it is kept as it is and tried again at the next save");
    return false;
}

void LogDamagedLines(const wchar_t* name, const std::vector<std::wstring>& problems, size_t count)
{
    for (const std::wstring& problem : problems)
        LogLine(std::wstring(name) + L", " + problem);
    if (count > problems.size())
        LogLine(std::wstring(name) + L": " + std::to_wstring(count - problems.size()) +
                L" more damaged lines");
}
