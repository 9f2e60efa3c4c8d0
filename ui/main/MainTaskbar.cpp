// CTavrelloDlg: the tray icon after Explorer restarts, and the start-up warning's balloon.
#include "ui/main/MainTaskbar.h"

#include "app/AppContext.h"
#include "ui/main/TavrelloDlg.h"

namespace
{
constexpr wchar_t kStartWarningTitle[] = L"Tavrello";
} // namespace

UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void CTavrelloDlg::AcceptTaskbarCreated()
{
    // Explorer runs without administrator rights; without this the system drops its broadcast before it
    // reaches this elevated window.
    const UINT message = TaskbarCreatedMessage();
    if (message != 0)
        ::ChangeWindowMessageFilterEx(m_hWnd, message, MSGFLT_ALLOW, nullptr);
}

void CTavrelloDlg::OnTaskbarCreated()
{
    // Only an icon the window still wants: none before initialisation, none after clean-up.
    if (!g_pAppContext || !m_boolTrayIconShown)
        return;
    m_boolTrayIconShown = FALSE;
    NotifyIcon(NIM_ADD, g_pAppContext->GetAppIcon(), kTrayTip);
}

void CTavrelloDlg::ShowStartWarning()
{
    if (m_csStartWarning.empty())
        return;
    ShowBalloon(kStartWarningTitle, m_csStartWarning.c_str(), NIIF_WARNING);
    m_boolHealthBalloon = false;
}
