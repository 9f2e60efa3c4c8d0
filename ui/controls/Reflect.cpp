#include "ui/controls/Reflect.h"

#include "ui/controls/Control.h"

BOOL ReflectToControl(HWND hwndControl, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // The message carries a pointer, so it is offered only to windows of this process.
    DWORD processId = 0;
    const DWORD threadId = hwndControl ? ::GetWindowThreadProcessId(hwndControl, &processId) : 0;
    if (!threadId || processId != ::GetCurrentProcessId())
        return FALSE;
    // A wrapper of this thread is asked directly: under Wine a message through the control's subclass
    // chain costs a window-property lookup in the server, and a tree view asks once per row it measures.
    if (threadId == ::GetCurrentThreadId())
    {
        if (CQControl* control = CQControl::FromHandle(hwndControl))
            return control->AnswerReflected(message, wParam, lParam, result);
    }
    CQReflectedMessage reflected = {message, wParam, lParam, 0, FALSE};
    ::SendMessageW(hwndControl, QM_REFLECT, 0, reinterpret_cast<LPARAM>(&reflected));
    if (!reflected.handled)
        return FALSE;
    result = reflected.result;
    return TRUE;
}
