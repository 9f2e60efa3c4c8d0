// The screenshot driver's line to scripts/screenshots.sh: the driver names a file and a screen rectangle
// on standard output, the script captures the X screen there and answers "ok" on standard input.
#pragma once

#include <windows.h>

#include <string>

// Asks for the rectangle (screen coordinates) to be written to `file`; false, with the script's answer in
// `error`, when it could not be.
bool RequestCapture(const char* file, const RECT& rect, std::string& error);

// A progress line for the user, through the same channel.
void Report(const char* format, ...);
