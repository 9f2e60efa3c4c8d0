// The program's one colour scheme, shared by the dialogs and the owner-drawn controls.
#pragma once

#include <windows.h>

constexpr COLORREF kDialogBackgroundColor = RGB(45, 45, 48);
constexpr COLORREF kControlBackgroundColor = RGB(61, 61, 64);
constexpr COLORREF kControlTextColor = RGB(255, 255, 240);
