// The program's one colour scheme, shared by the dialogs and the owner-drawn controls.
#pragma once

#include <windows.h>

constexpr COLORREF kDialogBackgroundColor = RGB(45, 45, 48);
constexpr COLORREF kControlBackgroundColor = RGB(61, 61, 64);
constexpr COLORREF kControlTextColor = RGB(255, 255, 240);
// Web links, before and after a visit: light enough to read on the dialog background (contrast ratios of
// 6.3 and 6.1 to 1; 4.5 is the least for text).
constexpr COLORREF kLinkColor = RGB(110, 180, 255);
constexpr COLORREF kVisitedLinkColor = RGB(200, 150, 255);
