#include "engine/DataFileFormat.h"

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"
#include "data/LinkCheck.h"
#include "data/TreeStream.h"
#include "engine/Monitor.h"

namespace
{
const DWORD kFormatVersion = 1;

// Notes the first read that the system refused, as opposed to one that met the end of the file; every
// read of the load goes through it.
class CQDataFileReader : public CQFile
{
public:
    BOOL Read(void* buffer, DWORD count) override
    {
        if (CQFile::Read(buffer, count))
            return 1;
        if (!HitEndOfFile())
            NoteSystemError();
        return 0;
    }
    BOOL ReadSome(void* buffer, DWORD count, DWORD& got) override
    {
        if (CQFile::ReadSome(buffer, count, got))
            return 1;
        NoteSystemError();
        return 0;
    }
    DWORD GetSystemError() const { return m_dwordSystemError; }

private:
    void NoteSystemError()
    {
        if (m_dwordSystemError != NO_ERROR)
            return;
        const DWORD error = GetLastError();
        m_dwordSystemError = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_READ_FAULT);
    }

    DWORD m_dwordSystemError = NO_ERROR;
};

bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
} // namespace

BOOL WriteDataFile(CQMonitor& monitor, CQTreeWriter& writer, const CQStatisticsBlock& stats)
{
    if (!writer.WriteU32(kFormatVersion) || !writer.Write(&stats, sizeof(stats)))
        return 0;
    const DWORD processes = static_cast<DWORD>(monitor.m_arrProcesses.GetSize());
    if (!writer.WriteU32(processes))
        return 0;
    for (DWORD i = 0; i < processes; ++i)
    {
        const CQProcess* process = monitor.m_arrProcesses[static_cast<int>(i)];
        if (!writer.Write(&process->m_qwordWritten, 12) || !writer.WriteText(process->m_csProcessName, 260))
            return 0;
    }
    return monitor.m_root.Save(writer) && writer.Flush();
}

DataFileState LoadDataFile(CQMonitor& monitor, const std::wstring& path, DWORD& systemError,
                           std::wstring& reason, uint64_t& end)
{
    CQDataFileReader file;
    {
        HANDLE handle = OpenPlainFileForReading(path, systemError, reason);
        if (handle == INVALID_HANDLE_VALUE)
            return IsNotFound(systemError) ? DataFileState::missing : DataFileState::unreadable;
        file.Adopt(handle, path.c_str());
    }
    // GetSize reports a failure as the size 0, with the system's error left in place.
    SetLastError(NO_ERROR);
    if (file.GetSize() == 0)
    {
        systemError = GetLastError();
        reason = CQError::SystemText(systemError);
        return systemError == NO_ERROR ? DataFileState::empty : DataFileState::unreadable;
    }
    const auto failed = [&]
    {
        systemError = file.GetSystemError();
        if (systemError == NO_ERROR)
            return DataFileState::damaged;
        reason = CQError::SystemText(systemError);
        return DataFileState::unreadable;
    };

    CQTreeReader reader(file);
    uint32_t version = 0;
    if (!reader.ReadU32(version))
        return failed();
    if (version != kFormatVersion)
    {
        LogLine(L"Unsupported saved data format. New file started.");
        return DataFileState::otherVersion;
    }
    // Read into a copy first: a block cut short must not leave half of it in the counters.
    CQStatisticsBlock stats;
    if (!reader.Read(&stats, sizeof(stats)))
        return failed();
    monitor.m_stats = stats;

    uint32_t processes = 0;
    if (!reader.ReadU32(processes))
        return failed();
    for (DWORD i = 0; i < processes; ++i)
    {
        CQProcess* process = new CQProcess;
        if (!process->Load(reader))
        {
            delete process;
            return failed();
        }
        // Links name a process by its position; a damaged file's stored index must not say otherwise.
        process->m_dwordIndex = i;
        monitor.m_arrProcesses.Add(process);
    }
    if (!monitor.m_root.Load(reader))
        return failed();
    end = reader.GetPosition();
    return DataFileState::complete;
}
