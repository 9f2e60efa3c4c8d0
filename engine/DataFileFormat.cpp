#include "engine/DataFileFormat.h"

#include "app/Log.h"
#include "data/Error.h"
#include "data/File.h"
#include "data/LinkCheck.h"
#include "engine/Monitor.h"

namespace
{
const DWORD kFormatVersion = 1;

// Notes the first read that the system refused, as opposed to one that met the end of the file; every
// field of the load is read through it.
class CQDataFileReader : public CQFile
{
public:
    CQDataFileReader() : CQFile(0, kDefaultBufferSize) {}
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

// Counts what is written to it and keeps nothing.
class CQByteCounter : public CQFile
{
public:
    CQByteCounter() : CQFile(0, 0) {}
    BOOL Write(const void*, DWORD count) override
    {
        m_qwordBytes += count;
        return 1;
    }
    uint64_t GetBytes() const { return m_qwordBytes; }

private:
    uint64_t m_qwordBytes = 0;
};

bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
} // namespace

BOOL WriteDataFile(CQMonitor& monitor, CQFile& file, const CQStatisticsBlock& stats)
{
    if (!file.Write(&kFormatVersion, sizeof(kFormatVersion)))
        return 0;
    if (!file.Write(&stats, sizeof(stats)))
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

uint64_t SavedDataBytes(CQMonitor& monitor)
{
    CQByteCounter counter;
    WriteDataFile(monitor, counter, monitor.m_stats);
    return counter.GetBytes();
}

DataFileState LoadDataFile(CQMonitor& monitor, const std::wstring& path, DWORD& systemError,
                           std::wstring& reason)
{
    CQDataFileReader file;
    {
        HANDLE handle = OpenPlainFileForReading(path, systemError, reason);
        if (handle == INVALID_HANDLE_VALUE)
            return IsNotFound(systemError) ? DataFileState::missing : DataFileState::unreadable;
        file.Adopt(handle, path.c_str(), CQFile::accessRead);
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

    DWORD version = 0;
    if (!file.Read(&version, sizeof(version)))
        return failed();
    if (version != kFormatVersion)
    {
        LogLine(L"Unsupported saved data format. New file started.");
        return DataFileState::otherVersion;
    }
    // Read into a copy first: a block cut short must not leave half of it in the counters.
    CQStatisticsBlock stats;
    if (!file.Read(&stats, sizeof(stats)))
        return failed();
    monitor.m_stats = stats;

    DWORD processes = 0;
    if (!file.Read(&processes, sizeof(processes)))
        return failed();
    for (DWORD i = 0; i < processes; ++i)
    {
        CQProcess* process = new CQProcess;
        if (!process->Load(file))
        {
            delete process;
            return failed();
        }
        // Links name a process by its position; a damaged file's stored index must not say otherwise.
        process->m_dwordIndex = i;
        monitor.m_arrProcesses.Add(process);
    }
    return monitor.m_root.Load(file) ? DataFileState::complete : failed();
}
