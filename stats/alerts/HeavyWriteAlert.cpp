#include "stats/alerts/HeavyWriteAlert.h"

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/Figures.h"
#include "stats/Format.h"

namespace
{
constexpr int kSlots = 60;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;

uint64_t Megabytes(int megabytes)
{
    return static_cast<uint64_t>(megabytes) << 20;
}
} // namespace

CQHeavyWriteAlert::CQHeavyWriteAlert() : m_minute(kSlots, 1), m_hour(kSlots, kSecondsPerMinute) {}

bool CQHeavyWriteAlert::Tick(CQMonitor& monitor, const CQSettingsInterface& settings, uint64_t lifeBudget,
                             int64_t now, std::wstring& text)
{
    if (!settings.m_boolHeavyWriteAlerts || CounterLoad(monitor.m_boolRunning) == 0)
    {
        Reset();
        return false;
    }

    uint64_t written = 0;
    std::vector<CQWriteWindow::ProcessBytes> processes;
    if (!Sample(monitor, written, processes))
    {
        m_minute.Clear();
        m_hour.Clear();
        return false;
    }
    // A window whose alert is off keeps nothing: switched on again, it does not count what came before.
    const uint64_t threshold = GetThreshold(settings);
    if (threshold != 0)
        m_minute.Add(now, written, processes);
    else
        m_minute.Clear();
    if (settings.m_intAlertMegabytesPerHour != 0)
        m_hour.Add(now, written, processes);
    else
        m_hour.Clear();

    // A burst first: when both are due, the hour's waits for the next tick.
    if (threshold != 0 && m_minute.GetTotal() > threshold &&
        !(m_boolAlerted && now - m_int64LastAlert < kQuietSeconds))
    {
        m_boolAlerted = true;
        m_int64LastAlert = now;
        m_last = MakeRecord(m_minute, false);
    }
    else if (IsWearingRate(settings, lifeBudget, m_hour.GetTotal()) &&
             !(m_boolHourAlerted && now - m_int64LastHourAlert < kHourQuietSeconds))
    {
        m_boolHourAlerted = true;
        m_int64LastHourAlert = now;
        m_last = MakeRecord(m_hour, true);
    }
    else
    {
        return false;
    }
    m_boolHaveLast = true;
    text = FormatText(m_last, lifeBudget);
    LogLine(text);
    return true;
}

CQAlertRecord CQHeavyWriteAlert::MakeRecord(const CQWriteWindow& window, bool hourly) const
{
    CQAlertRecord record;
    record.hourly = hourly;
    record.total = window.GetTotal();
    for (const CQWriteWindow::ProcessBytes& writer : window.GetWriters())
    {
        if (writer.m_dwordIndex < m_arrProcessNames.size() && !m_arrProcessNames[writer.m_dwordIndex].empty())
            record.writers.push_back(
                CQTopWriter{m_arrProcessNames[writer.m_dwordIndex], writer.m_qwordBytes});
    }
    return record;
}

bool CQHeavyWriteAlert::GetLastAlert(CQAlertRecord& alert) const
{
    if (m_boolHaveLast)
        alert = m_last;
    return m_boolHaveLast;
}

void CQHeavyWriteAlert::Reset()
{
    m_minute.Clear();
    m_hour.Clear();
    m_boolPrimed = false;
    m_qwordWritten = 0;
    m_arrProcessBytes.clear();
    m_arrProcessNames.clear();
}

bool CQHeavyWriteAlert::Sample(CQMonitor& monitor, uint64_t& written,
                               std::vector<CQWriteWindow::ProcessBytes>& processes)
{
    const uint64_t total = CounterLoad(monitor.m_stats.m_qwordWritten);
    bool cleared = total < m_qwordWritten;
    {
        // Only the processing thread adds records and bytes, under this lock; a copy of the counters is all
        // that is taken here.
        CQLock lock(monitor.m_lockData);
        const int count = monitor.m_arrProcesses.GetSize();
        if (static_cast<size_t>(count) < m_arrProcessBytes.size())
            cleared = true;
        if (cleared || !m_boolPrimed)
        {
            m_arrProcessBytes.clear();
            m_arrProcessNames.clear();
        }
        for (int i = 0; i < count; ++i)
        {
            const CQProcess* process = monitor.m_arrProcesses[i];
            const uint64_t bytes = process ? process->m_qwordWritten : 0;
            const size_t at = static_cast<size_t>(i);
            if (at == m_arrProcessBytes.size())
            {
                m_arrProcessNames.push_back(process ? process->m_csProcessName : std::wstring());
                // A process first seen in this sample wrote all its bytes since the previous one.
                m_arrProcessBytes.push_back(m_boolPrimed && !cleared ? 0 : bytes);
            }
            if (bytes != m_arrProcessBytes[at])
                processes.push_back({static_cast<uint32_t>(i), bytes - m_arrProcessBytes[at]});
            m_arrProcessBytes[at] = bytes;
        }
    }
    written = total - m_qwordWritten;
    m_qwordWritten = total;
    const bool grown = m_boolPrimed && !cleared;
    m_boolPrimed = true;
    if (!grown)
        processes.clear();
    return grown;
}

std::wstring CQHeavyWriteAlert::FormatText(const CQAlertRecord& alert, uint64_t lifeBudget)
{
    std::wstring text = alert.hourly ? L"Steady heavy writing: " : L"Heavy writing: ";
    text += FormatSize(alert.total) +
            (alert.hourly ? L" written in the last hour" : L" written in the last minute");
    if (!alert.writers.empty() && alert.total != 0)
    {
        const CQTopWriter& top = alert.writers.front();
        // The share in whole percent, rounded down; the figures may be the share of a long pause.
        const uint64_t percent = top.bytes >= alert.total        ? 100
                                 : top.bytes <= UINT64_MAX / 100 ? top.bytes * 100 / alert.total
                                                                 : top.bytes / (alert.total / 100);
        text += L", " + FormatSize(top.bytes) + L" of it (" + std::to_wstring(percent) + L"%) by " + top.name;
    }
    const uint64_t perDay = WritesPerDay(alert.total, kSecondsPerHour);
    if (alert.hourly && perDay != 0 && lifeBudget != 0)
        text += L"; at that rate the chosen SSD would last " + FormatLife(lifeBudget / perDay);
    return text;
}

std::wstring CQHeavyWriteAlert::FormatListHeadline(const CQAlertRecord& alert, const std::wstring& clockTime)
{
    return std::wstring(alert.hourly ? L"Writers of the hour to " : L"Writers of the minute to ") +
           clockTime + L", data written: " + FormatSize(alert.total);
}

uint64_t CQHeavyWriteAlert::GetThreshold(const CQSettingsInterface& settings)
{
    if (!settings.m_boolHeavyWriteAlerts || settings.m_intAlertMegabytesPerMinute <= 0)
        return 0;
    return Megabytes(settings.m_intAlertMegabytesPerMinute);
}

bool CQHeavyWriteAlert::IsWearingRate(const CQSettingsInterface& settings, uint64_t lifeBudget,
                                      uint64_t bytes)
{
    if (!settings.m_boolHeavyWriteAlerts || settings.m_intAlertMegabytesPerHour == 0)
        return false;
    if (settings.m_intAlertMegabytesPerHour > 0)
        return bytes > Megabytes(settings.m_intAlertMegabytesPerHour);
    // The main window's life estimate for this hour's rate.
    const uint64_t perDay = WritesPerDay(bytes, kSecondsPerHour);
    return lifeBudget != 0 && perDay != 0 && lifeBudget / perDay < kWearLifeDays;
}
