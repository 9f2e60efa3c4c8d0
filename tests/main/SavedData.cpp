#include "main/SavedData.h"

#include <windows.h>

#include "app/SettingsRunTime.h"
#include "engine/Monitor.h"

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

SavedDataScratch::SavedDataScratch() : m_path(SavedDataPath())
{
    m_backup = m_path + L".testbackup-" + std::to_wstring(::GetCurrentProcessId());
    ::DeleteFileW((m_path + L".new").c_str());
    if (::GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES)
        m_saved = ::MoveFileExW(m_path.c_str(), m_backup.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    ::DeleteFileW(m_path.c_str());
}

SavedDataScratch::~SavedDataScratch()
{
    ::DeleteFileW(m_path.c_str());
    ::DeleteFileW((m_path + L".new").c_str());
    if (m_saved)
        ::MoveFileExW(m_backup.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool WriteSavedData(const CQStatisticsBlock& stats, const std::vector<SavedWrite>& writes)
{
    DataFileMonitor data;
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
