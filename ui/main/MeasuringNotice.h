// What the main window tells the user about what measures: an honest status line, a tooltip that names the
// source, and once per start a message box when nothing measures and the driver file is missing from the
// program's folder.
#pragma once

#include <windows.h>

#include <string>

#include "engine/Measuring.h"

class CQMonitor;

// The status line while monitoring is switched on but nothing can measure.
extern const wchar_t kNotMeasuringStatus[];
// The same once the system's file events, which measured, have ended.
extern const wchar_t kEventsEndedStatus[];

// The status line: the figures' own text, unless it would claim a monitoring that nothing does.
std::wstring MeasuringStatus(const std::wstring& figuresStatus, bool running, MeasuringSource source);

// The tooltip of the status lines: which source measures, and in system-event mode the share of writes
// that could not be attributed to a file (and so are not counted). `figures` is read only for
// MeasuringSource::SystemEvents.
std::wstring MeasuringSourceText(MeasuringSource source, const SystemEventFigures& figures);
// The same for the monitor as it is now. User-interface thread.
std::wstring MeasuringSourceText(const CQMonitor& monitor);

// Called once after the monitor's start: when nothing can measure and wrimon.sys is missing from
// programFolder, logs it and shows a message box that says where the file must go. True when it told.
bool TellIfDriverMissing(HWND owner, const CQMonitor& monitor, const std::wstring& programFolder);
