#include "ui/dialogs/OptionsDlg.h"

#include "app/AppContext.h"
#include "app/MessageBoxHook.h"
#include "app/autostart/Autostart.h"
#include "engine/Counters.h"
#include "resources/resource.h"
#include "ui/main/WebLinks.h"

#include "app/sysdll/UxTheme.h"

namespace
{
struct OptionBinding
{
    int boxId;
    BOOL CQSettingsInterface::*setting;
};

const OptionBinding kOptions[CTavrelloOptionsDlg::kOptionCount] = {
    {IDC_COLLECT_PROCESSES, &CQSettingsInterface::m_boolCollectProcessesInformation},
    {IDC_DO_NOT_LOG_FILES, &CQSettingsInterface::m_boolDoNotLogFiles},
    {IDC_AUTOSTART_SESSION, &CQSettingsInterface::m_boolAutostartSession},
    {IDC_TRAY_ICON, &CQSettingsInterface::m_boolTrayIcon},
    {IDC_START_MINIMIZED, &CQSettingsInterface::m_boolStartMinimized},
    {IDC_AUTO_EXPAND_FOLDERS, &CQSettingsInterface::m_boolAutoExpandFolders},
    {IDC_SORT_TREE_BY_WRITE_SIZE, &CQSettingsInterface::m_boolSortTreeByWriteSize},
    {IDC_HEAVY_WRITE_ALERTS, &CQSettingsInterface::m_boolHeavyWriteAlerts},
};
} // namespace

CTavrelloOptionsDlg::CTavrelloOptionsDlg(HWND parent) : CQDialog(IDD_OPTIONS, parent)
{
    if (!g_pAppContext)
        return;
    const CQSettingsInterface& settings = g_pAppContext->m_settingsInterface;
    for (int i = 0; i < kOptionCount; ++i)
        m_arrValues[i] = settings.*kOptions[i].setting;
}

CTavrelloOptionsDlg::~CTavrelloOptionsDlg() = default;

int CTavrelloOptionsDlg::GetOptionBoxId(int index)
{
    return kOptions[index].boxId;
}

BOOL CTavrelloOptionsDlg::OnInitDialog()
{
    CQDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_buttonCancel.Attach(m_hWnd, IDCANCEL);
    m_buttonHelp.Attach(m_hWnd, IDC_OPTIONS_HELP);
    for (int i = 0; i < kOptionCount; ++i)
    {
        m_arrBoxes[i].Attach(m_hWnd, kOptions[i].boxId);
        // A theme name that matches nothing turns visual styles off, so the dialog's colours apply.
        if (HWND hBox = m_arrBoxes[i].GetHwnd())
            ::SetWindowTheme(hBox, L"wstr", L"wstr");
    }
    TransferToBoxes();
    return TRUE;
}

void CTavrelloOptionsDlg::TransferToBoxes()
{
    for (int i = 0; i < kOptionCount; ++i)
        ::CheckDlgButton(m_hWnd, kOptions[i].boxId, m_arrValues[i] ? BST_CHECKED : BST_UNCHECKED);
}

void CTavrelloOptionsDlg::TransferFromBoxes()
{
    for (int i = 0; i < kOptionCount; ++i)
        m_arrValues[i] = ::IsDlgButtonChecked(m_hWnd, kOptions[i].boxId) == BST_CHECKED ? 1 : 0;
}

BOOL CTavrelloOptionsDlg::OnCommand(UINT id, UINT code, HWND hwndControl)
{
    if (id == IDC_OPTIONS_HELP && code == BN_CLICKED)
    {
        OpenHelpPage(m_hWnd);
        return TRUE;
    }
    if (id == IDC_AUTOSTART_SESSION && code == BN_CLICKED && g_pAppContext &&
        ::IsDlgButtonChecked(m_hWnd, IDC_AUTOSTART_SESSION) == BST_CHECKED)
    {
        // The box stays clear where the autostart task may not be created, and the user learns why.
        const std::wstring refusal = AutostartRefusal(g_pAppContext->m_settingsRunTime.m_csProgramFolder);
        if (!refusal.empty())
        {
            ::CheckDlgButton(m_hWnd, IDC_AUTOSTART_SESSION, BST_UNCHECKED);
            ShowMessageBox(m_hWnd, refusal.c_str(), L"Tavrello", MB_OK | MB_ICONWARNING);
        }
        return TRUE;
    }
    return CQDialog::OnCommand(id, code, hwndControl);
}

void CTavrelloOptionsDlg::OnOK()
{
    TransferFromBoxes();
    if (g_pAppContext)
    {
        CQSettingsInterface& settings = g_pAppContext->m_settingsInterface;
        // The worker threads read two of these flags without a lock.
        for (int i = 0; i < kOptionCount; ++i)
            CounterStore(settings.*kOptions[i].setting, m_arrValues[i]);
        settings.Save();
    }
    EndDialog(IDOK);
}
