#include "engine/Measuring.h"

#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "engine/events/SystemEvents.h"

bool CanMeasure(const CQMonitor& monitor)
{
    // The start sets the source, the flag and the thread handle on this thread; the retrieval thread raises
    // the stop flag when its source (the driver or the system's events) has gone for good.
    const bool sourceRead = monitor.IsRecordSourceRunning() && monitor.m_boolThreadsStarted &&
                            monitor.m_hRetrieveThread != nullptr;
    return sourceRead && CounterLoad(monitor.m_boolStop) == 0;
}

MeasuringSource WhatMeasures(const CQMonitor& monitor)
{
    const bool measuring = CanMeasure(monitor);
    switch (monitor.GetRecordSource())
    {
    case CQMonitor::RecordSource::Driver:
        return measuring ? MeasuringSource::Driver : MeasuringSource::DriverGone;
    case CQMonitor::RecordSource::SystemEvents:
        return measuring ? MeasuringSource::SystemEvents : MeasuringSource::SystemEventsEnded;
    default:
        return MeasuringSource::Nothing;
    }
}

bool GetSystemEventFigures(const CQMonitor& monitor, SystemEventFigures& figures)
{
    if (!monitor.m_pSystemEvents)
        return false;
    figures = monitor.m_pSystemEvents->Source().Figures();
    return true;
}
