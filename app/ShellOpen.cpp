#include "app/ShellOpen.h"

#include <shellapi.h>

ShellExecuteFn g_pfnShellOpen = ShellExecuteW;

HINSTANCE ShellOpen(HWND owner, const wchar_t* verb, const wchar_t* target, int show)
{
    return g_pfnShellOpen(owner, verb, target, nullptr, nullptr, show);
}
