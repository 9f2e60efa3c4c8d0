#include "engine/Measuring.h"

#include "engine/Counters.h"
#include "engine/Monitor.h"

bool CanMeasure(const CQMonitor& monitor)
{
    // The start sets the source, the flag and the thread handle on this thread; the retrieval thread raises
    // the stop flag when its source (the driver or the system's events) has gone for good.
    const bool sourceRead = monitor.IsRecordSourceRunning() && monitor.m_boolThreadsStarted &&
                            monitor.m_hRetrieveThread != nullptr;
    return sourceRead && CounterLoad(monitor.m_boolStop) == 0;
}
