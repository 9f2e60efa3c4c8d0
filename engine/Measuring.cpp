#include "engine/Measuring.h"

#include "engine/Counters.h"
#include "engine/Monitor.h"

bool CanMeasure(const CQMonitor& monitor)
{
    // The start sets the flag and the thread handle on this thread; the retrieval thread raises the stop
    // flag when it gives up on the driver.
    const bool driverRead = monitor.m_boolThreadsStarted && monitor.m_hRetrieveThread != nullptr;
    return driverRead && CounterLoad(monitor.m_boolStop) == 0;
}
