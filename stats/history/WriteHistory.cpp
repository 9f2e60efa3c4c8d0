#include "stats/history/WriteHistory.h"

#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/DataFolderFile.h"
#include "stats/history/HistoryClock.h"
#include "stats/history/HistoryCsv.h"
#include "stats/history/HistoryFile.h"

namespace
{
CQHistoryTotals ReadTotals(const CQMonitor& monitor)
{
    // The worker threads keep writing these; each is read on its own, without a lock.
    CQHistoryTotals totals;
    totals.written = CounterLoad(monitor.m_stats.m_qwordWritten);
    totals.writtenAligned = CounterLoad(monitor.m_stats.m_qwordWrittenAligned);
    totals.read = CounterLoad(monitor.m_stats.m_qwordRead);
    totals.operations = CounterLoad(monitor.m_stats.m_qwordOperations);
    totals.monitoringSeconds = CounterLoad(monitor.m_stats.m_qwordMonitoringSeconds);
    return totals;
}
} // namespace

CQWriteHistory::CQWriteHistory(const CQHistoryClock* clock) : m_clock(clock ? *clock : SystemHistoryClock())
{
}

void CQWriteHistory::Start(CQMonitor& monitor, const std::wstring& dataFolder)
{
    m_state = FileState::notStarted;
    m_csPath = DataFolderFilePath(dataFolder, kWriteHistoryFileName);
    if (!m_csPath.empty())
        m_state = Load(true) ? FileState::loaded : FileState::unreadable;
    const CQHistoryTotals totals = ReadTotals(monitor);
    CQLock lock(monitor.m_lockData);
    m_accounting.Begin(totals, monitor.m_arrProcesses, m_clock.AwakeMilliseconds());
    m_qwordWrittenAtProcessWalk = totals.written;
}

bool CQWriteHistory::Load(bool atStart)
{
    std::string bytes;
    if (!ReadRewrittenFile(m_csPath, kWriteHistoryFileName, atStart, bytes))
        return false;
    CQHistoryFileContents contents = ParseHistoryCsv(bytes);
    LogDamagedLines(kWriteHistoryFileName, contents.problems, contents.problemCount);
    m_keptLines = std::move(contents.keptLines);
    if (atStart)
        m_accounting.SetDays(std::move(contents.days));
    else
        m_accounting.MergeDays(contents.days);
    return true;
}

void CQWriteHistory::Sample(CQMonitor& monitor, bool withProcesses)
{
    const CQHistoryTotals totals = ReadTotals(monitor);
    const int32_t today = m_clock.LocalDay();
    const uint64_t awake = m_clock.AwakeMilliseconds();
    if (!withProcesses && totals.written == m_qwordWrittenAtProcessWalk && m_accounting.HasBegun())
    {
        m_accounting.Sample(today, awake, totals, nullptr);
        return;
    }
    m_qwordWrittenAtProcessWalk = totals.written;
    CQLock lock(monitor.m_lockData);
    m_accounting.Sample(today, awake, totals, &monitor.m_arrProcesses);
}

void CQWriteHistory::Refresh(CQMonitor& monitor)
{
    Sample(monitor, false);
}

void CQWriteHistory::BeforeClear(CQMonitor& monitor)
{
    Sample(monitor, true);
}

void CQWriteHistory::AfterClear(CQMonitor& monitor)
{
    const CQHistoryTotals totals = ReadTotals(monitor);
    CQLock lock(monitor.m_lockData);
    m_accounting.Begin(totals, monitor.m_arrProcesses, m_clock.AwakeMilliseconds());
    m_qwordWrittenAtProcessWalk = totals.written;
}

void CQWriteHistory::OnDataSaved(CQMonitor& monitor)
{
    if (m_state == FileState::notStarted)
        return;
    Sample(monitor, true);
    Save();
}

bool CQWriteHistory::Save()
{
    if (m_state == FileState::notStarted)
        return false;
    if (m_state == FileState::unreadable)
    {
        if (!Load(false))
            return false;
        m_state = FileState::loaded;
    }
    return ReplaceFileWith(m_csPath, FormatHistoryCsv(m_accounting.Days(), m_keptLines));
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
