// CTavrelloDlg: the heavy-writing alerts of the refresh shown as a tray balloon, and the balloon's click.
#include "ui/main/TavrelloDlg.h"

#include <cwchar>

#include "app/AppContext.h"
#include "ui/dialogs/ProcessesDlg.h"

namespace
{
constexpr wchar_t kBalloonTitle[] = L"Tavrello";
} // namespace

void CTavrelloDlg::CheckHeavyWriting()
{
    CQAppContext& context = *g_pAppContext;
    std::wstring text;
    // The tick count never goes back and does not jump with the wall clock.
    const int64_t now = static_cast<int64_t>(::GetTickCount64() / 1000);
    if (!m_heavyWriteAlert.Tick(context.m_monitor, context.m_settingsInterface, m_qwordLifeBudget, now, text))
        return;
    // The list of the alert's writers says when its period ended.
    SYSTEMTIME local = {};
    ::GetLocalTime(&local);
    wchar_t clock[16];
    std::swprintf(clock, 16, L"%02u:%02u:%02u", local.wHour, local.wMinute, local.wSecond);
    m_csAlertTime = clock;
    ShowBalloon(kBalloonTitle, text.c_str(), NIIF_WARNING);
    m_boolHealthBalloon = false;
}

void CTavrelloDlg::OnTrayBalloonClick()
{
    RestoreWindow();
    // While one of the program's dialogs is open the window is disabled; that dialog stays in front.
    if (!g_pAppContext || !::IsWindowEnabled(m_hWnd))
        return;
    CQAlertRecord alert;
    if (m_boolHealthBalloon)
        ShowDriveHealthDialog();
    else if (m_heavyWriteAlert.GetLastAlert(alert))
        CTavrelloProcessesDlg(alert.writers, CQHeavyWriteAlert::FormatListHeadline(alert, m_csAlertTime),
                              m_hWnd)
            .DoModal();
    else
        ShowProcessesDialog(nullptr, TRUE);
}
