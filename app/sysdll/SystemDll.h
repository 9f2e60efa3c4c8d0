// DLLs that are not known system DLLs (fltlib.dll, UxTheme.dll) are looked for in the program's own folder
// first when they are imported or loaded by name. The program runs as administrator and is often started
// from a folder its user can write to (Downloads), so it takes every such DLL from the system folder
// only: the process's search path is restricted first thing, and those DLLs are loaded here by name from
// the system folder, their functions taken with GetProcAddress (FltLib.cpp, UxTheme.cpp).
#pragma once

#include <windows.h>

// Restricts the process's DLL search to the system folder (SetDefaultDllDirectories); on a system
// without that function, at least drops the current directory from the search. Call before anything
// else loads a DLL.
void RestrictDllSearchToSystemFolder();

// The DLL of that file name, loaded from the system folder only; null, with a log line, when it cannot
// be loaded. The module stays loaded for the life of the process: callers keep it in a static and call
// this once per DLL.
HMODULE LoadSystemDll(const wchar_t* fileName);

// Logs that `name` is missing from `module`.
void ReportMissingFunction(HMODULE module, const char* name);

// What a stand-in for a function of `module` returns when the function could not be taken from it: the
// error of a missing DLL, or of a missing function, as an HRESULT.
HRESULT SystemDllUnavailable(HMODULE module);

// A function of a DLL loaded by LoadSystemDll, as its type; null when the DLL or the function is
// missing (a missing function is logged).
template <typename Function> Function SystemDllFunction(HMODULE module, const char* name)
{
    if (module == nullptr)
        return nullptr;
    const FARPROC address = ::GetProcAddress(module, name);
    if (address == nullptr)
        ReportMissingFunction(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}
