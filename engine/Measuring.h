// Whether this run can measure writes at all, and with what: the main window must not claim monitoring
// that nothing does, and says which source measures.
#pragma once

#include "engine/events/FileEventReport.h"

class CQMonitor;

// True while a source of write records works (the driver's port, or without it the system's file events)
// with the retrieval thread reading it. False when neither source could be started, or when the retrieval
// thread has given up.
// User-interface thread.
bool CanMeasure(const CQMonitor& monitor);

// What measures this run, or what has stopped measuring. User-interface thread.
enum class MeasuringSource
{
    Nothing,           // neither the driver nor the system's file events could be started
    Driver,            // the Wrimon driver
    DriverGone,        // the driver measured, then went away
    SystemEvents,      // the system's file events
    SystemEventsEnded, // the system's file events measured, then ended
};
MeasuringSource WhatMeasures(const CQMonitor& monitor);

// The figures of the system-event source; false (figures untouched) when it is not the source.
// User-interface thread.
bool GetSystemEventFigures(const CQMonitor& monitor, SystemEventFigures& figures);
