// Whether this run can measure writes at all: the main window must not claim monitoring that nothing does.
#pragma once

class CQMonitor;

// True while a source of write records works (the driver's port, or without it the system's file events)
// with the retrieval thread reading it. False when neither source could be started, or when the retrieval
// thread has given up.
// User-interface thread.
bool CanMeasure(const CQMonitor& monitor);
