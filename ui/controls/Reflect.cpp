#include "ui/controls/Reflect.h"

BOOL ReflectToControl(HWND hwndControl, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // The message carries a pointer, so it is offered only to windows of this process.
    DWORD processId = 0;
    if (!hwndControl || !::GetWindowThreadProcessId(hwndControl, &processId) ||
        processId != ::GetCurrentProcessId())
        return FALSE;
    CQReflectedMessage reflected = {message, wParam, lParam, 0, FALSE};
    ::SendMessageW(hwndControl, QM_REFLECT, 0, reinterpret_cast<LPARAM>(&reflected));
    if (!reflected.handled)
        return FALSE;
    result = reflected.result;
    return TRUE;
}
