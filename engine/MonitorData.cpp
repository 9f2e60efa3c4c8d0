// The saved data file, "Monitored.Files": totals, processes and the whole tree, version 1.
#include <windows.h>

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"
#include "engine/Monitor.h"

namespace
{
const DWORD kFormatVersion = 1;

BOOL WriteDataFile(CQMonitor& monitor, CQFile& file)
{
    if (!file.Write(&kFormatVersion, sizeof(kFormatVersion)))
        return 0;
    if (!file.Write(&monitor.m_stats, sizeof(monitor.m_stats)))
        return 0;
    const DWORD processes = static_cast<DWORD>(monitor.m_arrProcesses.GetSize());
    if (!file.Write(&processes, sizeof(processes)))
        return 0;
    for (DWORD i = 0; i < processes; ++i)
    {
        const CQProcess* process = monitor.m_arrProcesses[static_cast<int>(i)];
        if (!file.Write(&process->m_qwordWritten, 12))
            return 0;
        if (!file.WriteString(process->m_csProcessName, 260))
            return 0;
    }
    return monitor.m_root.Save(file);
}
} // namespace

// The new data goes to a file beside the old one, which is replaced only once the new file is complete,
// so a failed or interrupted save never costs the last good data.
BOOL CQMonitor::SaveData()
{
    const std::wstring path = GetDataFilePath();
    const std::wstring temporary = path + L".new";
    BOOL result = 0;
    {
        CQFile file(0, CQFile::kDefaultBufferSize);
        if (!file.Open(temporary.c_str(), CQFile::accessReadWrite | CQFile::create))
            return 0;
        result = WriteDataFile(*this, file);
        // Close flushes what is still buffered; a failure there is a failed save too.
        if (!file.Close())
            result = 0;
    }
    if (result &&
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        CQError error(L"SaveData::MoveFileEx");
        result = 0;
    }
    if (!result)
        DeleteFileW(temporary.c_str());
    else if (m_pSaveObserver != nullptr)
        m_pSaveObserver->OnDataSaved(*this);
    return result;
}

BOOL CQMonitor::LoadData()
{
    const std::wstring path = GetDataFilePath();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);

    CQFile file(0, CQFile::kDefaultBufferSize);
    if (!file.Open(path.c_str(), 0))
        return 0;
    if (file.GetSize() == 0)
        return 0;

    DWORD version = 0;
    if (!file.Read(&version, sizeof(version)))
        return 0;
    if (version != kFormatVersion)
    {
        LogLine(L"Unsupported saved data format. New file started.");
        return 0;
    }

    // Read into a copy first: a block cut short must not leave half of it in the counters.
    CQStatisticsBlock stats;
    if (!file.Read(&stats, sizeof(stats)))
        return 0;
    m_stats = stats;

    DWORD processes = 0;
    if (!file.Read(&processes, sizeof(processes)))
        return 0;
    for (DWORD i = 0; i < processes; ++i)
    {
        CQProcess* process = new CQProcess;
        if (!process->Load(file))
        {
            delete process;
            return 0;
        }
        // Links name processes by position; a stored index that says otherwise must not be believed.
        process->m_dwordIndex = i;
        m_arrProcesses.Add(process);
    }
    return m_root.Load(file);
}
