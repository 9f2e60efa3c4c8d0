// CTavrelloDlg: the drives' own figures. Each refresh takes the readings the drive health thread has
// finished, shows its warnings as tray balloons, and the main menu opens the Drive Health window.
#include "ui/main/TavrelloDlg.h"

#include "app/AppContext.h"
#include "ui/dialogs/health/DriveHealthDlg.h"

namespace
{
constexpr wchar_t kBalloonTitle[] = L"Tavrello: drive health";
} // namespace

void CTavrelloDlg::CheckDriveHealth()
{
    CQAppContext& context = *g_pAppContext;
    const std::vector<std::wstring> warnings = context.m_driveHealth.Poll(context.m_monitor);
    if (warnings.empty())
        return;
    // One balloon for all of a round's warnings (each has its log line too); the system shows one at a time.
    std::wstring text;
    for (const std::wstring& warning : warnings)
        text += (text.empty() ? L"" : L"\n") + warning;
    ShowBalloon(kBalloonTitle, text.c_str(), NIIF_WARNING);
    m_boolHealthBalloon = true;
}

void CTavrelloDlg::ShowDriveHealthDialog()
{
    CTavrelloDriveHealthDlg(g_pAppContext->m_driveHealth, g_pAppContext->m_monitor, m_hWnd).DoModal();
}
