#include "stats/history/WriteHistory.h"

#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/DataFolderFile.h"
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
} // namespace

CQWriteHistory::CQWriteHistory(const CQHistoryClock* clock) : m_clock(clock ? *clock : SystemHistoryClock())
{
}

void CQWriteHistory::Start(CQMonitor& monitor, const std::wstring& dataFolder)
{
    m_file.Open(dataFolder,
                [this](const std::string& bytes, bool replace) { return ReadRows(bytes, replace); });
    // The worker threads keep writing the totals; each is read on its own, without a lock.
    const CQStatisticsBlock totals = LoadStatistics(monitor.m_stats);
    CQLock lock(monitor.m_lockData);
    m_accounting.Begin(TotalsOf(totals), monitor.m_arrProcesses, m_clock.AwakeMilliseconds());
    m_qwordWrittenAtProcessWalk = totals.m_qwordWritten;
}

std::string CQWriteHistory::ReadRows(const std::string& bytes, bool replaceRows)
{
    CQHistoryFileContents contents = ParseHistoryCsv(bytes);
    LogDamagedLines(kWriteHistoryFileName, contents.problems, contents.problemCount);
    if (replaceRows)
        m_accounting.SetDays(std::move(contents.days));
    else
        m_accounting.MergeDays(contents.days);
    return std::move(contents.keptLines);
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
    m_file.Prepare([this](const std::string& bytes, bool replace) { return ReadRows(bytes, replace); },
                   [this](const std::string& keptLines)
                   { return FormatHistoryCsv(m_accounting.Days(), keptLines); });
}

void CQWriteHistory::OnDataSaved()
{
    m_file.WritePrepared();
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
