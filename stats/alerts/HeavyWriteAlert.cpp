#include "stats/alerts/HeavyWriteAlert.h"

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/Format.h"

bool CQHeavyWriteAlert::Tick(CQMonitor& monitor, const CQSettingsInterface& settings, int64_t now,
                             std::wstring& text)
{
    const uint64_t threshold = GetThreshold(settings);
    if (threshold == 0 || CounterLoad(monitor.m_boolRunning) == 0)
    {
        Reset();
        return false;
    }

    uint64_t written = 0;
    std::vector<CQWriteWindow::ProcessBytes> processes;
    if (!Sample(monitor, written, processes))
    {
        m_window.Clear();
        return false;
    }
    m_window.Add(now, written, processes);

    const uint64_t total = m_window.GetTotal();
    if (total <= threshold || (m_boolAlerted && now - m_int64LastAlert < kQuietSeconds))
        return false;

    uint32_t index = 0;
    uint64_t bytes = 0;
    if (m_window.GetLargestWriter(index, bytes) && index < m_arrProcessNames.size() &&
        !m_arrProcessNames[index].empty())
        text = FormatText(m_arrProcessNames[index], bytes);
    else
        text = FormatText(std::wstring(), total);
    m_boolAlerted = true;
    m_int64LastAlert = now;
    LogLine(text);
    return true;
}

void CQHeavyWriteAlert::Reset()
{
    m_window.Clear();
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

std::wstring CQHeavyWriteAlert::FormatText(const std::wstring& process, uint64_t bytes)
{
    if (process.empty())
        return L"Heavy writing: " + FormatSize(bytes) + L" written in the last minute";
    return L"Heavy writing: " + process + L" wrote " + FormatSize(bytes) + L" in the last minute";
}

uint64_t CQHeavyWriteAlert::GetThreshold(const CQSettingsInterface& settings)
{
    if (!settings.m_boolHeavyWriteAlerts)
        return 0;
    // The value is a DWORD: one that reads as negative is a very large threshold, not a small one.
    return static_cast<uint64_t>(static_cast<uint32_t>(settings.m_intAlertMegabytesPerMinute)) << 20;
}
