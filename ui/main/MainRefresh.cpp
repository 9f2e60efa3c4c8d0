// CTavrelloDlg: the one-second refresh of the statistics panel, the paced repaint of the files tree and
// the autosave.
#include "ui/main/TavrelloDlg.h"

#include <ctime>
#include <iterator>

#include "app/AppContext.h"
#include "app/SettingsInterface.h"
#include "engine/Counters.h"
#include "engine/Measuring.h"
#include "resources/resource.h"
#include "stats/Figures.h"
#include "ui/main/MeasuringNotice.h"

namespace
{
// Every fourth refresh repaints the tree while monitoring.
constexpr int32_t kRepaintEvery = 3;

} // namespace

void CTavrelloDlg::SetTextIfChanged(int id, const std::wstring& text)
{
    HWND hControl = GetDlgItem(id);
    if (!hControl)
        return;
    // An unchanged figure is not rewritten, so the panel does not flicker once a second.
    wchar_t current[128] = {};
    const int length = ::GetWindowTextW(hControl, current, static_cast<int>(std::size(current)));
    if (length >= 0 && static_cast<size_t>(length) == text.size() && text.compare(current) == 0)
        return;
    SetDlgItemText(id, text.c_str());
}

CQStatisticsBlock CTavrelloDlg::AdvanceMonitoringTimeNow(bool counting)
{
    CQMonitor& monitor = g_pAppContext->m_monitor;
    CQStatisticsBlock stats = LoadStatistics(monitor.m_stats);
    m_monitoringClock.Advance(stats, counting, static_cast<int64_t>(time(nullptr)));
    if (counting)
    {
        CounterStore(monitor.m_stats.m_qwordMonitoringSeconds, stats.m_qwordMonitoringSeconds);
        CounterStore(monitor.m_stats.m_int64LastTimeStamp, stats.m_int64LastTimeStamp);
    }
    return stats;
}

void CTavrelloDlg::RefreshStatistics()
{
    CQMonitor& monitor = g_pAppContext->m_monitor;
    // An export that has ended is reported first, so the status line no longer shows it; a clear that
    // waited for it happens now.
    m_export.Poll(m_hWnd);
    if (m_boolClearAfterExport && !m_export.IsRunning())
        ClearNow();

    // 1. and 2. The counters, then the monitoring time advanced; only this thread advances it. Time in
    // which nothing could measure, or the machine slept (announced or not), is no monitoring time: it
    // would only dilute the daily rates.
    const bool running = CounterLoad(monitor.m_boolRunning) != 0;
    const CQStatisticsBlock stats =
        AdvanceMonitoringTimeNow(running && !m_boolSuspended && CanMeasure(monitor));
    g_pAppContext->m_writeHistory.Refresh(monitor);

    // 3. to 14.
    CQFigureTexts texts = ComputeFigures(stats.m_qwordWritten, stats.m_qwordWrittenAligned, stats, running,
                                         monitor.GetPendingRecords(), m_qwordLifeBudget);
    SetTextIfChanged(IDC_TOTAL_WRITES, texts.totalWrites);
    SetTextIfChanged(IDC_ALIGNED_WRITES, texts.alignedWrites);
    SetTextIfChanged(IDC_TOTAL_OPERATIONS, texts.operations);
    SetTextIfChanged(IDC_TOTAL_FILES, texts.files);
    SetTextIfChanged(IDC_MONITORING_TIME, texts.monitoringTime);
    SetTextIfChanged(IDC_WRITES_PER_DAY, texts.writesPerDay);
    SetTextIfChanged(IDC_ALIGNED_WRITES_PER_DAY, texts.alignedPerDay);
    SetTextIfChanged(IDC_TOTAL_READ, texts.totalRead);
    SetTextIfChanged(IDC_WRITE_READ_RATIO, texts.ratio);
    SetTextIfChanged(IDC_SSD_LIFE, texts.life);
    std::wstring exportStatus;
    if (m_export.GetStatusText(stats.m_qwordFiles, m_boolClearAfterExport, exportStatus))
        texts.status = exportStatus;
    SetTextIfChanged(IDC_STATUS, MeasuringStatus(texts.status, running, WhatMeasures(monitor)));
    SetTextIfChanged(IDC_QUEUE_STATUS, texts.queue);

    // 15. Labels change as writes arrive, but the view asks for them only when it paints.
    if (m_intRepaintCountdown != 0)
    {
        --m_intRepaintCountdown;
    }
    else
    {
        m_intRepaintCountdown = kRepaintEvery;
        HWND hTree = m_tree.GetHwnd();
        if (running && hTree)
        {
            ::InvalidateRect(hTree, nullptr, FALSE);
            ::UpdateWindow(hTree);
        }
    }

    CheckHeavyWriting();
    CheckDriveHealth();

    // The autosave writes on a thread of its own, so this tick does not wait for the disk. The read total
    // and the monitoring time are data too.
    if (m_autosave.Tick(g_pAppContext->m_settingsInterface.m_intAutosaveMinutes) &&
        monitor.HasUnsavedChanges())
        monitor.SaveDataInBackground();
}
