// What the main window tells the user when this run measures nothing: an honest status line, and once per
// start a message box when the driver file is missing from the program's folder.
#pragma once

#include <windows.h>

#include <string>

class CQMonitor;

// The status line while monitoring is switched on but nothing can measure.
extern const wchar_t kNotMeasuringStatus[];

// The status line: the figures' own text, unless it would claim a monitoring that nothing does.
std::wstring MeasuringStatus(const std::wstring& figuresStatus, bool running, const CQMonitor& monitor);

// Called once after the monitor's start: when nothing can measure and wrimon.sys is missing from
// programFolder, logs it and shows a message box that says where the file must go. True when it told.
bool TellIfDriverMissing(HWND owner, const CQMonitor& monitor, const std::wstring& programFolder);
