// CTavrelloDlg: the heavy-writing alert of the refresh shown as a tray balloon, and the balloon's click.
#include "ui/main/TavrelloDlg.h"

#include "app/AppContext.h"

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
    if (m_heavyWriteAlert.Tick(context.m_monitor, context.m_settingsInterface, now, text))
    {
        ShowBalloon(kBalloonTitle, text.c_str(), NIIF_WARNING);
        m_boolHealthBalloon = false;
    }
}

void CTavrelloDlg::OnTrayBalloonClick()
{
    RestoreWindow();
    // While one of the program's dialogs is open the window is disabled; that dialog stays in front.
    if (!g_pAppContext || !::IsWindowEnabled(m_hWnd))
        return;
    if (m_boolHealthBalloon)
        ShowDriveHealthDialog();
    else
        ShowProcessesDialog(nullptr, TRUE);
}
