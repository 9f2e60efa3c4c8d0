#include "main/SavedData.h"

#include <windows.h>

#include "app/SettingsRunTime.h"
#include "engine/Monitor.h"
#include "support/TempFolder.h"

namespace
{
// A monitor of the test process, pointed at the program's data folder.
struct DataFileMonitor
{
    CQSettingsRunTime runTime;
    CQMonitor monitor;
    DataFileMonitor()
    {
        runTime.CreateDataFolder();
        monitor.m_pSettingsRunTime = &runTime;
    }
};
} // namespace

std::wstring SavedDataPath()
{
    DataFileMonitor data;
    return data.monitor.GetDataFilePath();
}

bool SavedDataExists()
{
    return ::GetFileAttributesW(SavedDataPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace
{
std::wstring BesideSavedData(const wchar_t* name)
{
    std::wstring path = SavedDataPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return path + name;
}
} // namespace

std::wstring WriteHistoryPath()
{
    return BesideSavedData(L"Write History.csv");
}

std::wstring DriveHistoryPath()
{
    return BesideSavedData(L"Drive History.csv");
}

SavedDataScratch::SavedDataScratch()
{
    m_data.path = SavedDataPath();
    m_history.path = WriteHistoryPath();
    m_driveHistory.path = DriveHistoryPath();
    Move(m_data);
    Move(m_history);
    Move(m_driveHistory);
}

SavedDataScratch::~SavedDataScratch()
{
    Restore(m_data);
    Restore(m_history);
    Restore(m_driveHistory);
}

void SavedDataScratch::RemoveCompanions(const std::wstring& path)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((path + L".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
    {
        const std::wstring name = found.cFileName;
        if (name.find(L".testbackup-") == std::wstring::npos)
            DeletePathTree(folder + name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

void SavedDataScratch::Move(SetAside& file)
{
    file.backup = file.path + L".testbackup-" + std::to_wstring(::GetCurrentProcessId());
    RemoveCompanions(file.path);
    if (::GetFileAttributesW(file.path.c_str()) != INVALID_FILE_ATTRIBUTES)
        file.saved = ::MoveFileExW(file.path.c_str(), file.backup.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    ::DeleteFileW(file.path.c_str());
}

void SavedDataScratch::Restore(const SetAside& file)
{
    DeletePathTree(file.path);
    RemoveCompanions(file.path);
    if (file.saved)
        ::MoveFileExW(file.backup.c_str(), file.path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool WriteSavedData(const CQStatisticsBlock& stats, const std::vector<SavedWrite>& writes, uint64_t sequence)
{
    DataFileMonitor data;
    data.monitor.m_savedData.sequence = sequence - 1;
    for (const SavedWrite& write : writes)
    {
        CQTreeItem* item = data.monitor.FindOrCreateItem(write.path);
        if (!item)
            return false;
        item->AddWrite(write.bytes, nullptr);
    }
    data.monitor.m_stats = stats;
    return data.monitor.SaveData() != 0;
}

bool ReadSavedData(SavedDataContents& contents)
{
    DataFileMonitor data;
    if (!data.monitor.LoadData())
        return false;
    contents.stats = data.monitor.m_stats;
    contents.topLevelItems = data.monitor.m_root.m_arrChildren.GetSize();
    contents.writtenInTree = data.monitor.m_root.SumWritten();
    return true;
}
