// Every page or folder the program opens goes through ShellOpen, so that tests can see what would be
// opened without starting a browser or a file manager.
#pragma once

#include <windows.h>

using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// ShellExecuteW by default; replaceable.
extern ShellExecuteFn g_pfnShellOpen;

// ShellExecuteW (or the replacement) with no parameters and no directory.
HINSTANCE ShellOpen(HWND owner, const wchar_t* verb, const wchar_t* target, int show);
