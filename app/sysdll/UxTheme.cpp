#include "app/sysdll/UxTheme.h"

#include "app/sysdll/SystemDll.h"

namespace
{
HMODULE UxThemeModule()
{
    static const HMODULE module = LoadSystemDll(L"uxtheme.dll");
    return module;
}
} // namespace

HRESULT WINAPI SetWindowTheme(HWND hwnd, LPCWSTR subAppName, LPCWSTR subIdList)
{
    static const auto real = SystemDllFunction<decltype(&SetWindowTheme)>(UxThemeModule(), "SetWindowTheme");
    return real ? real(hwnd, subAppName, subIdList) : SystemDllUnavailable(UxThemeModule());
}
