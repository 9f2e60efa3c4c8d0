#include "app/MessageBoxHook.h"

#include <utility>

#include "ui/controls/ShowRequest.h"

namespace
{
MessageBoxHook& CurrentHook()
{
    static MessageBoxHook hook;
    return hook;
}

// The system runs a message box or a common dialog in a loop of its own, which offers every message to the
// thread's message filter: that is where a second instance's show request reaches the main window.
LRESULT CALLBACK ShowRequestFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && lParam != 0 && HandleShowRequest(*reinterpret_cast<const MSG*>(lParam)))
        return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (CurrentHook())
        return CurrentHook()(owner, text, caption, type);
    CQShowRequestFilterScope filter;
    return MessageBoxW(owner, text, caption, type);
}

CQShowRequestFilterScope::CQShowRequestFilterScope()
    : m_hFilter(SetWindowsHookExW(WH_MSGFILTER, ShowRequestFilter, nullptr, GetCurrentThreadId()))
{
}

CQShowRequestFilterScope::~CQShowRequestFilterScope()
{
    if (m_hFilter != nullptr)
        UnhookWindowsHookEx(m_hFilter);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(CurrentHook(), std::move(hook));
}
