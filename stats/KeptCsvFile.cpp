#include "stats/KeptCsvFile.h"

#include <windows.h>

#include "app/Log.h"
#include "data/Error.h"
#include "data/LinkCheck.h"
#include "data/SafeReplace.h"
#include "stats/DataFolderFile.h"

std::wstring CQKeptCsvFile::PendingName() const
{
    return std::wstring(m_name) + kPendingRowsSuffix;
}

void CQKeptCsvFile::Open(const std::wstring& dataFolder, const Reader& read)
{
    m_state = State::notOpen;
    m_csPath = DataFolderFilePath(dataFolder, m_name);
    m_csPendingPath.clear();
    m_keptLines.clear();
    m_boolSaveBytesReady = false;
    m_boolPendingOnDisk = false;
    m_boolPendingBlocked = false;
    m_boolToldWaiting = false;
    if (m_csPath.empty())
        return;
    m_csPendingPath = m_csPath + kPendingRowsSuffix;
    bool wholeFile = false;
    if (LoadPendingRows(read, wholeFile) && wholeFile)
        m_state = State::loaded;
    else
        m_state = Load(read, !m_boolPendingOnDisk, true) ? State::loaded : State::unreadable;
}

bool CQKeptCsvFile::LoadPendingRows(const Reader& read, bool& wholeFile)
{
    std::string bytes;
    std::wstring reason;
    CQPendingRows kind = CQPendingRows::wholeFile;
    const CQPendingRead result = ReadPendingRows(m_csPendingPath, bytes, kind, reason);
    if (result == CQPendingRead::missing)
        return false;
    if (result == CQPendingRead::unusable)
    {
        // Never written over: it may hold rows that are nowhere else.
        const std::wstring aside = MoveFileAside(m_csPendingPath, m_csPendingPath + L".unused");
        m_boolPendingBlocked = aside.empty();
        LogLine(PendingName() + L" can't be used (" + reason + L"); " +
                (aside.empty() ? std::wstring(L"it is left as it is") : L"it is kept as '" + aside + L"'"));
        return false;
    }
    m_keptLines = read(bytes, true);
    m_boolPendingOnDisk = true;
    wholeFile = kind == CQPendingRows::wholeFile;
    LogLine(std::wstring(m_name) + L": rows that waited in " + PendingName() + L" are read again");
    return true;
}

bool CQKeptCsvFile::Load(const Reader& read, bool replaceRows, bool tell)
{
    std::string bytes;
    std::wstring reason;
    if (ReadHistoryFile(m_csPath, bytes, reason) == CQHistoryRead::unreadable)
    {
        // Said once: the later attempts at each save stay quiet.
        if (tell)
            LogLine(std::wstring(m_name) + L" can't be read (" + reason +
                    L"); it is kept as it is and tried again at the next save");
        return false;
    }
    m_keptLines = read(bytes, replaceRows);
    return true;
}

void CQKeptCsvFile::Prepare(const Reader& read, const Formatter& format)
{
    m_boolSaveBytesReady = false;
    if (m_state == State::notOpen)
        return;
    if (m_state == State::unreadable && Load(read, false, false))
        m_state = State::loaded;
    m_csSaveBytes = format(m_keptLines);
    m_saveKind = m_state == State::loaded ? CQPendingRows::wholeFile : CQPendingRows::addedToFile;
    m_boolSaveBytesReady = true;
}

bool CQKeptCsvFile::WritePending(CQPendingRows kind)
{
    if (m_boolPendingBlocked || !WritePendingRows(m_csPendingPath, m_csSaveBytes, kind))
        return false;
    m_boolPendingOnDisk = true;
    return true;
}

bool CQKeptCsvFile::WritePrepared()
{
    if (!m_boolSaveBytesReady)
        return false;
    m_boolSaveBytesReady = false;
    if (m_saveKind == CQPendingRows::addedToFile)
    {
        // The file's own rows are not known: this run's wait beside it, to be added once it can be read.
        if (WritePending(CQPendingRows::addedToFile) && !m_boolToldWaiting)
            LogLine(std::wstring(m_name) + L": the rows counted meanwhile wait in " + PendingName());
        m_boolToldWaiting = true;
        return false;
    }
    // Rows that wait on the disk are brought up to date first, so that whatever happens next one of the
    // two files holds them all.
    if (m_boolPendingOnDisk)
        WritePending(CQPendingRows::wholeFile);
    unsigned long error = 0;
    if (WriteHistoryFile(m_csPath, m_csSaveBytes, error))
    {
        DWORD deleteError = NO_ERROR;
        if (m_boolPendingOnDisk && DeleteItself(m_csPendingPath, deleteError))
        {
            m_boolPendingOnDisk = false;
            LogLine(std::wstring(m_name) + L" holds the rows that waited again");
        }
        m_boolToldWaiting = false;
        return true;
    }
    if (WritePending(CQPendingRows::wholeFile) && !m_boolToldWaiting)
        LogLine(std::wstring(m_name) + L" can't be replaced (" + CQError::SystemText(error) +
                L"); its rows wait in " + PendingName() + L" until it can be");
    m_boolToldWaiting = true;
    return false;
}
