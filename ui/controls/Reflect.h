// Reflection of a child control's notifications back to the control.
//
// Windows sends owner-draw, colour and notification messages of a control (WM_DRAWITEM, WM_MEASUREITEM,
// WM_CTLCOLOR*, WM_COMMAND, WM_NOTIFY, ...) to its parent. CQDialog hands each of them to the control
// first: a wrapper (CQControl) bound on the calling thread is asked directly, any other window of the
// process is sent QM_REFLECT with a CQReflectedMessage, which a subclassed control answers and marks
// handled. The dialog then returns the control's result instead of handling the message itself. A window
// that does not know QM_REFLECT leaves `handled` false.
#pragma once

#include <windows.h>

constexpr UINT QM_REFLECT = WM_APP + 0x3F00;

struct CQReflectedMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
    BOOL handled;
};

// Offers a message to the control `hwndControl`; true when the control handled it, with its result.
BOOL ReflectToControl(HWND hwndControl, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
