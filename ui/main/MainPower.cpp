// CTavrelloDlg: sleep and hibernation. A machine that sleeps does not monitor, so the night must not
// count as monitoring time (it would lower the writes per day and raise the SSD life).
#include "ui/main/TavrelloDlg.h"

#include <ctime>

#include "app/AppContext.h"
#include "engine/Counters.h"
#include "engine/Measuring.h"

void CTavrelloDlg::OnPowerBroadcast(WPARAM event)
{
    CQMonitor& monitor = g_pAppContext->m_monitor;
    switch (event)
    {
    case PBT_APMSUSPEND:
        // The time up to the suspend counts; after it the refresh leaves the time alone.
        if (!m_boolSuspended)
            AdvanceMonitoringTimeNow(CounterLoad(monitor.m_boolRunning) != 0 && CanMeasure(monitor));
        m_boolSuspended = true;
        break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMECRITICAL:
        // Counting goes on from now. A resume also comes after a suspend that was never announced, whose
        // time the awake clock has left out already.
        CounterStore(monitor.m_stats.m_int64LastTimeStamp, static_cast<int64_t>(time(nullptr)));
        m_monitoringClock.Restart();
        m_boolSuspended = false;
        break;
    default:
        break;
    }
}
