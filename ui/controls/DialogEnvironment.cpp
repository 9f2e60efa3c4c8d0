#include "ui/controls/DialogEnvironment.h"

namespace
{
constexpr WORD kApplicationIconId = 128;

HICON g_hApplicationIcon = nullptr;
BOOL g_boolTrayIconOnly = FALSE;
} // namespace

HICON GetApplicationIcon()
{
    // A missing resource is looked for again next time; it costs one failed lookup.
    if (!g_hApplicationIcon)
        g_hApplicationIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId));
    return g_hApplicationIcon;
}

BOOL IsTrayIconOnly()
{
    return g_boolTrayIconOnly;
}

void SetTrayIconOnlyForTest(BOOL trayIconOnly)
{
    g_boolTrayIconOnly = trayIconOnly ? TRUE : FALSE;
}
