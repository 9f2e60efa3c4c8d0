#include "ui/controls/ShowRequest.h"

#include "ui/controls/Dialog.h"

namespace
{
UINT g_uintShowMessage = 0;
CQDialog* g_pShowTarget = nullptr; // not owned

struct ModalSearch
{
    HWND target;
    HWND found;
    int depth;
};

// Owners between a window and the target; -1 when the target does not own it at all.
int OwnerDepth(HWND hwnd, HWND target)
{
    int depth = 0;
    for (HWND owner = ::GetWindow(hwnd, GW_OWNER); owner != nullptr; owner = ::GetWindow(owner, GW_OWNER))
    {
        ++depth;
        if (owner == target)
            return depth;
    }
    return -1;
}

BOOL CALLBACK FindModalWindow(HWND hwnd, LPARAM lParam)
{
    ModalSearch* search = reinterpret_cast<ModalSearch*>(lParam);
    if (!::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd))
        return TRUE;
    const int depth = OwnerDepth(hwnd, search->target);
    if (depth > search->depth)
    {
        search->found = hwnd;
        search->depth = depth;
    }
    return TRUE;
}

// The window that has the input while the target is disabled by modal windows over it: the innermost
// one that is shown and enabled (a dialog, or a message box over a dialog). The target itself otherwise.
HWND InputWindow(HWND hTarget)
{
    if (::IsWindowEnabled(hTarget))
        return hTarget;
    ModalSearch search = {hTarget, nullptr, 0};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindModalWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? search.found : hTarget;
}
} // namespace

void SetShowRequestTarget(UINT message, CQDialog* target)
{
    g_uintShowMessage = target != nullptr ? message : 0;
    g_pShowTarget = target;
}

BOOL HandleShowRequest(const MSG& msg)
{
    if (g_pShowTarget == nullptr || g_uintShowMessage == 0 || msg.message != g_uintShowMessage)
        return FALSE;
    // The broadcast leaves one copy for every top-level window; the target's own copy is the one that
    // counts, so the window is restored once.
    HWND hTarget = g_pShowTarget->GetHwnd();
    if (hTarget == nullptr || msg.hwnd != hTarget)
        return FALSE;
    g_pShowTarget->RestoreWindow();
    // While a modal window runs over the target, that window has the input and comes to the front.
    ::SetForegroundWindow(InputWindow(hTarget));
    return TRUE;
}
