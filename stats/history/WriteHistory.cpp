#include "stats/history/WriteHistory.h"

#include "app/Log.h"
#include "data/Error.h"
#include "data/LinkCheck.h"
#include "data/SafeReplace.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/history/HistoryClock.h"
#include "stats/history/HistoryCsv.h"

namespace
{
CQHistoryTotals TotalsOf(const CQStatisticsBlock& block)
{
    CQHistoryTotals totals;
    totals.written = block.m_qwordWritten;
    totals.writtenAligned = block.m_qwordWrittenAligned;
    totals.read = block.m_qwordRead;
    totals.operations = block.m_qwordOperations;
    totals.monitoringSeconds = block.m_qwordMonitoringSeconds;
    return totals;
}

std::wstring FileName(const std::wstring& path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}
} // namespace

CQWriteHistory::CQWriteHistory(const CQHistoryClock* clock) : m_clock(clock ? *clock : SystemHistoryClock())
{
}

void CQWriteHistory::Start(CQMonitor& monitor, const std::wstring& dataFolder)
{
    m_state = FileState::notStarted;
    m_csPath.clear();
    m_csPendingPath.clear();
    m_boolPendingOnDisk = false;
    m_boolPendingBlocked = false;
    m_boolToldWaiting = false;
    if (!dataFolder.empty())
    {
        m_csPath = dataFolder;
        if (m_csPath.back() != L'\\')
            m_csPath += L'\\';
        m_csPath += kWriteHistoryFileName;
        m_csPendingPath = m_csPath + kPendingRowsSuffix;
        bool wholeFile = false;
        if (LoadPendingRows(wholeFile) && wholeFile)
            m_state = FileState::loaded;
        else
            m_state = Load(!m_boolPendingOnDisk, true) ? FileState::loaded : FileState::unreadable;
    }
    // The worker threads keep writing the totals; each is read on its own, without a lock.
    const CQStatisticsBlock totals = LoadStatistics(monitor.m_stats);
    CQLock lock(monitor.m_lockData);
    m_accounting.Begin(TotalsOf(totals), monitor.m_arrProcesses, m_clock.AwakeMilliseconds());
    m_qwordWrittenAtProcessWalk = totals.m_qwordWritten;
}

bool CQWriteHistory::LoadPendingRows(bool& wholeFile)
{
    std::string bytes;
    std::wstring reason;
    CQPendingRows kind = CQPendingRows::wholeFile;
    const CQPendingRead read = ReadPendingRows(m_csPendingPath, bytes, kind, reason);
    if (read == CQPendingRead::missing)
        return false;
    if (read == CQPendingRead::unusable)
    {
        // Never written over: it may hold rows that are nowhere else.
        const std::wstring name = MoveFileAside(m_csPendingPath, m_csPendingPath + L".unused");
        m_boolPendingBlocked = name.empty();
        LogLine(FileName(m_csPendingPath) + L" can't be used (" + reason + L"); " +
                (name.empty() ? std::wstring(L"it is left as it is") : L"it is kept as '" + name + L"'"));
        return false;
    }
    CQHistoryFileContents contents = ParseHistoryCsv(bytes);
    m_keptLines = std::move(contents.keptLines);
    m_accounting.SetDays(std::move(contents.days));
    m_boolPendingOnDisk = true;
    wholeFile = kind == CQPendingRows::wholeFile;
    LogLine(std::wstring(kWriteHistoryFileName) + L": rows that waited in " + FileName(m_csPendingPath) +
            L" are read again");
    return true;
}

bool CQWriteHistory::Load(bool replaceRows, bool tell)
{
    std::string bytes;
    std::wstring reason;
    const CQHistoryRead read = ReadHistoryFile(m_csPath, bytes, reason);
    if (read == CQHistoryRead::unreadable)
    {
        // Said once: the later attempts at each save stay quiet.
        if (tell)
            LogLine(std::wstring(kWriteHistoryFileName) + L" can't be read (" + reason +
                    L"); it is kept as it is and tried again at the next save");
        return false;
    }
    CQHistoryFileContents contents;
    if (read == CQHistoryRead::read)
        contents = ParseHistoryCsv(bytes);
    for (const std::wstring& problem : contents.problems)
        LogLine(std::wstring(kWriteHistoryFileName) + L", " + problem);
    if (contents.problemCount > contents.problems.size())
        LogLine(std::wstring(kWriteHistoryFileName) + L": " +
                std::to_wstring(contents.problemCount - contents.problems.size()) + L" more damaged lines");
    m_keptLines = std::move(contents.keptLines);
    if (replaceRows)
        m_accounting.SetDays(std::move(contents.days));
    else
        m_accounting.MergeDays(contents.days);
    return true;
}

void CQWriteHistory::Sample(const CQHistoryTotals& totals, const CQPtrArray<CQProcess>* processes)
{
    if (processes != nullptr)
        m_qwordWrittenAtProcessWalk = totals.written;
    m_accounting.Sample(m_clock.LocalDay(), m_clock.AwakeMilliseconds(), totals, processes);
}

void CQWriteHistory::Refresh(CQMonitor& monitor)
{
    const CQHistoryTotals totals = TotalsOf(LoadStatistics(monitor.m_stats));
    if (totals.written == m_qwordWrittenAtProcessWalk && m_accounting.HasBegun())
    {
        Sample(totals, nullptr);
        return;
    }
    CQLock lock(monitor.m_lockData);
    Sample(totals, &monitor.m_arrProcesses);
}

void CQWriteHistory::BeforeClear(CQMonitor& monitor)
{
    const CQHistoryTotals totals = TotalsOf(LoadStatistics(monitor.m_stats));
    CQLock lock(monitor.m_lockData);
    Sample(totals, &monitor.m_arrProcesses);
}

void CQWriteHistory::AfterClear(CQMonitor& monitor)
{
    const CQStatisticsBlock totals = LoadStatistics(monitor.m_stats);
    CQLock lock(monitor.m_lockData);
    m_accounting.Begin(TotalsOf(totals), monitor.m_arrProcesses, m_clock.AwakeMilliseconds());
    m_qwordWrittenAtProcessWalk = totals.m_qwordWritten;
}

void CQWriteHistory::OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes)
{
    // The writers are held: the figures and the records agree, and the rows written are exactly those
    // of the data that this save writes.
    Sample(TotalsOf(saved), &processes);
    m_boolSaveBytesReady = false;
    if (m_state == FileState::notStarted)
        return;
    if (m_state == FileState::unreadable && Load(false, false))
        m_state = FileState::loaded;
    m_csSaveBytes = FormatHistoryCsv(m_accounting.Days(), m_keptLines);
    m_saveKind = m_state == FileState::loaded ? CQPendingRows::wholeFile : CQPendingRows::addedToFile;
    m_boolSaveBytesReady = true;
}

bool CQWriteHistory::WritePending(CQPendingRows kind)
{
    if (m_boolPendingBlocked || !WritePendingRows(m_csPendingPath, m_csSaveBytes, kind))
        return false;
    m_boolPendingOnDisk = true;
    return true;
}

void CQWriteHistory::OnDataSaved()
{
    if (!m_boolSaveBytesReady)
        return;
    m_boolSaveBytesReady = false;
    if (m_saveKind == CQPendingRows::addedToFile)
    {
        // The file's own rows are not known: this run's wait beside it, to be added once it can be read.
        if (WritePending(CQPendingRows::addedToFile) && !m_boolToldWaiting)
            LogLine(std::wstring(kWriteHistoryFileName) + L": the rows counted meanwhile wait in " +
                    FileName(m_csPendingPath));
        m_boolToldWaiting = true;
        return;
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
            LogLine(std::wstring(kWriteHistoryFileName) + L" holds the rows that waited again");
        }
        m_boolToldWaiting = false;
        return;
    }
    if (WritePending(CQPendingRows::wholeFile) && !m_boolToldWaiting)
        LogLine(std::wstring(kWriteHistoryFileName) + L" can't be replaced (" + CQError::SystemText(error) +
                L"); its rows wait in " + FileName(m_csPendingPath) + L" until it can be");
    m_boolToldWaiting = true;
}

std::vector<CQHistoryDay> CQWriteHistory::GetDays()
{
    return m_accounting.Days();
}

bool CQWriteHistory::GetLastDay(CQHistoryDay& day)
{
    const std::vector<CQHistoryDay>& days = m_accounting.Days();
    if (days.empty())
        return false;
    day = days.back();
    return true;
}

int32_t CQWriteHistory::GetToday() const
{
    return m_clock.LocalDay();
}
