// The product web site's help and measure pages. The host is a build setting (TAVRELLO_WEB_HOST).
#pragma once

#include <windows.h>

#include <string>

std::wstring HelpPageUrl();
// The measure page with the aligned writes per day as the main window shows them ("12.34 Gb"): every blank
// of the text becomes "&msr=", so the query carries value=12.34 and msr=Gb.
std::wstring MeasurePageUrl(const std::wstring& alignedPerDayText);

void OpenHelpPage(HWND owner);
void OpenMeasurePage(HWND owner, const std::wstring& alignedPerDayText);
