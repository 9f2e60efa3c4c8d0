#include "stats/history/DayAccounting.h"

#include <algorithm>

namespace
{
// Whole calendar seconds counted between two samples never exceed the awake time rounded up; the monitor
// advances them moments before or after the sample, which a second more covers.
constexpr uint64_t kSecondsSlack = 1;

uint64_t Growth(uint64_t now, uint64_t last)
{
    return now >= last ? now - last : now;
}

void AddWriters(std::unordered_map<std::wstring, uint64_t>& map, const std::vector<CQTopWriter>& writers)
{
    for (const CQTopWriter& writer : writers)
    {
        uint64_t& bytes = map[writer.name];
        bytes = SaturatingAdd(bytes, writer.bytes);
    }
}
} // namespace

std::vector<CQTopWriter> PickTopWriters(const std::unordered_map<std::wstring, uint64_t>& writers)
{
    std::vector<CQTopWriter> all;
    all.reserve(writers.size());
    for (const auto& entry : writers)
    {
        if (entry.second != 0)
            all.push_back(CQTopWriter{entry.first, entry.second});
    }
    const size_t count = std::min(all.size(), kTopWritersPerDay);
    std::partial_sort(all.begin(), all.begin() + static_cast<ptrdiff_t>(count), all.end(),
                      [](const CQTopWriter& a, const CQTopWriter& b)
                      { return a.bytes != b.bytes ? a.bytes > b.bytes : a.name < b.name; });
    all.resize(count);
    return all;
}

void CQDayAccounting::SetDays(std::vector<CQHistoryDay> days)
{
    m_arrDays = std::move(days);
    m_intCurrentDay = INT32_MIN;
    m_mapDayWriters.clear();
    m_boolWritersChanged = false;
}

void CQDayAccounting::MergeDays(const std::vector<CQHistoryDay>& days)
{
    UpdateTopWriters();
    for (const CQHistoryDay& day : days)
    {
        auto at = std::lower_bound(m_arrDays.begin(), m_arrDays.end(), day.day,
                                   [](const CQHistoryDay& row, int32_t value) { return row.day < value; });
        if (at == m_arrDays.end() || at->day != day.day)
        {
            m_arrDays.insert(at, day);
            continue;
        }
        at->written = SaturatingAdd(at->written, day.written);
        at->writtenAligned = SaturatingAdd(at->writtenAligned, day.writtenAligned);
        at->read = SaturatingAdd(at->read, day.read);
        at->operations = SaturatingAdd(at->operations, day.operations);
        at->monitoringSeconds = SaturatingAdd(at->monitoringSeconds, day.monitoringSeconds);
        if (day.day == m_intCurrentDay)
        {
            AddWriters(m_mapDayWriters, day.topWriters);
            m_boolWritersChanged = true;
        }
        else
        {
            std::unordered_map<std::wstring, uint64_t> merged;
            AddWriters(merged, at->topWriters);
            AddWriters(merged, day.topWriters);
            at->topWriters = PickTopWriters(merged);
        }
    }
}

void CQDayAccounting::Begin(const CQHistoryTotals& totals, const CQPtrArray<CQProcess>& processes,
                            uint64_t awakeMs)
{
    m_last = totals;
    m_qwordLastAwakeMs = awakeMs;
    m_arrProcessBase.clear();
    m_arrProcessBase.reserve(static_cast<size_t>(processes.GetSize()));
    for (int i = 0; i < processes.GetSize(); ++i)
    {
        const CQProcess* process = processes[i];
        m_arrProcessBase.push_back(process ? ProcessBase{process->m_csProcessName, process->m_qwordWritten}
                                           : ProcessBase{std::wstring(), 0});
    }
    m_boolBegun = true;
}

void CQDayAccounting::AddProcessGrowth(const CQPtrArray<CQProcess>& processes)
{
    const size_t count = static_cast<size_t>(processes.GetSize());
    // Fewer records than before: they were cleared, and every record counts from zero.
    if (count < m_arrProcessBase.size())
        m_arrProcessBase.clear();
    for (size_t i = 0; i < count; ++i)
    {
        const CQProcess* process = processes[static_cast<int>(i)];
        const uint64_t bytes = process ? process->m_qwordWritten : 0;
        uint64_t growth = bytes;
        if (i < m_arrProcessBase.size())
        {
            ProcessBase& base = m_arrProcessBase[i];
            if (bytes == base.bytes)
                continue;
            // Another record at this index is a new one since a clear.
            if (process && process->m_csProcessName != base.name)
            {
                base.name = process->m_csProcessName;
                base.bytes = 0;
            }
            growth = Growth(bytes, base.bytes);
            base.bytes = bytes;
        }
        else
        {
            m_arrProcessBase.push_back(
                ProcessBase{process ? process->m_csProcessName : std::wstring(), bytes});
        }
        if (growth != 0 && process)
            m_arrProcessGrowth.emplace_back(&process->m_csProcessName, growth);
    }
}

void CQDayAccounting::Sample(int32_t today, uint64_t awakeMs, const CQHistoryTotals& totals,
                             const CQPtrArray<CQProcess>* processes)
{
    if (!m_boolBegun)
    {
        static const CQPtrArray<CQProcess> kNone;
        Begin(totals, processes ? *processes : kNone, awakeMs);
        return;
    }
    CQHistoryTotals growth;
    growth.written = Growth(totals.written, m_last.written);
    growth.writtenAligned = Growth(totals.writtenAligned, m_last.writtenAligned);
    growth.read = Growth(totals.read, m_last.read);
    growth.operations = Growth(totals.operations, m_last.operations);
    const uint64_t awake = awakeMs >= m_qwordLastAwakeMs ? awakeMs - m_qwordLastAwakeMs : 0;
    growth.monitoringSeconds = std::min(Growth(totals.monitoringSeconds, m_last.monitoringSeconds),
                                        (awake + 999) / 1000 + kSecondsSlack);
    m_last = totals;
    m_qwordLastAwakeMs = awakeMs;

    m_arrProcessGrowth.clear();
    if (processes)
        AddProcessGrowth(*processes);

    if (growth.written == 0 && growth.writtenAligned == 0 && growth.read == 0 && growth.operations == 0 &&
        growth.monitoringSeconds == 0 && m_arrProcessGrowth.empty())
        return;
    CQHistoryDay& row = RowFor(today);
    row.written = SaturatingAdd(row.written, growth.written);
    row.writtenAligned = SaturatingAdd(row.writtenAligned, growth.writtenAligned);
    row.read = SaturatingAdd(row.read, growth.read);
    row.operations = SaturatingAdd(row.operations, growth.operations);
    row.monitoringSeconds = SaturatingAdd(row.monitoringSeconds, growth.monitoringSeconds);
    for (const auto& entry : m_arrProcessGrowth)
    {
        uint64_t& bytes = m_mapDayWriters[*entry.first];
        bytes = SaturatingAdd(bytes, entry.second);
        m_boolWritersChanged = true;
    }
    m_arrProcessGrowth.clear();
}

CQHistoryDay* CQDayAccounting::FindDay(int32_t day)
{
    auto at = std::lower_bound(m_arrDays.begin(), m_arrDays.end(), day,
                               [](const CQHistoryDay& row, int32_t value) { return row.day < value; });
    return at != m_arrDays.end() && at->day == day ? &*at : nullptr;
}

CQHistoryDay& CQDayAccounting::RowFor(int32_t today)
{
    if (today != m_intCurrentDay)
    {
        // The day that was counted so far keeps its top writers; the new one starts from its row's.
        UpdateTopWriters();
        m_mapDayWriters.clear();
        m_boolWritersChanged = false;
        m_intCurrentDay = today;
        auto at = std::lower_bound(m_arrDays.begin(), m_arrDays.end(), today,
                                   [](const CQHistoryDay& row, int32_t value) { return row.day < value; });
        if (at == m_arrDays.end() || at->day != today)
        {
            CQHistoryDay row;
            row.day = today;
            return *m_arrDays.insert(at, std::move(row));
        }
        AddWriters(m_mapDayWriters, at->topWriters);
        return *at;
    }
    return *FindDay(today);
}

void CQDayAccounting::UpdateTopWriters()
{
    if (!m_boolWritersChanged)
        return;
    m_boolWritersChanged = false;
    if (CQHistoryDay* row = FindDay(m_intCurrentDay))
        row->topWriters = PickTopWriters(m_mapDayWriters);
}

const std::vector<CQHistoryDay>& CQDayAccounting::Days()
{
    UpdateTopWriters();
    return m_arrDays;
}
