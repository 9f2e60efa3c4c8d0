// Every message box of the program goes through ShowMessageBox, so that tests can answer it.
#pragma once

#include <windows.h>

#include <functional>

using MessageBoxHook = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)>;

// MessageBoxW, or the installed hook's answer.
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// Installs a hook (an empty one restores MessageBoxW) and returns the previous one. User-interface
// thread only.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// For the life of the object, the thread's message filter hands a second instance's show request to the
// main window: around a system dialog with a loop of its own (a message box, the Save As dialog).
class CQShowRequestFilterScope
{
public:
    CQShowRequestFilterScope();
    ~CQShowRequestFilterScope();
    CQShowRequestFilterScope(const CQShowRequestFilterScope&) = delete;
    CQShowRequestFilterScope& operator=(const CQShowRequestFilterScope&) = delete;

private:
    HHOOK m_hFilter;
};
