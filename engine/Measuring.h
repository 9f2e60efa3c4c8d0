// Whether this run can measure writes at all: the main window must not claim monitoring that nothing does.
#pragma once

class CQMonitor;

// True while a source of write records works: the driver's port with the retrieval thread reading it.
// False when the driver could not be installed or connected, or when the retrieval thread has given up.
// User-interface thread.
bool CanMeasure(const CQMonitor& monitor);
