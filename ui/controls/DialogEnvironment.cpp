#include "ui/controls/DialogEnvironment.h"

#include "app/AppContext.h"

namespace
{
constexpr WORD kApplicationIconId = 128;

// Used only while no application context exists (the framework's own tests).
HICON g_hApplicationIcon = nullptr;
BOOL g_boolTrayIconOnly = FALSE;
} // namespace

HICON GetApplicationIcon()
{
    if (g_pAppContext != nullptr)
        return g_pAppContext->GetAppIcon();
    // A missing resource is looked for again next time; it costs one failed lookup.
    if (!g_hApplicationIcon)
        g_hApplicationIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId));
    return g_hApplicationIcon;
}

BOOL IsTrayIconOnly()
{
    if (g_pAppContext != nullptr)
        return g_pAppContext->m_settingsInterface.m_boolTrayIcon;
    return g_boolTrayIconOnly;
}

void SetTrayIconOnlyForTest(BOOL trayIconOnly)
{
    if (g_pAppContext != nullptr)
        g_pAppContext->m_settingsInterface.m_boolTrayIcon = trayIconOnly ? TRUE : FALSE;
    g_boolTrayIconOnly = trayIconOnly ? TRUE : FALSE;
}
