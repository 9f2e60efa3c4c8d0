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
// Digits the threshold box takes: enough for kMaxAlertMegabytes.
constexpr int kThresholdDigits = 7;

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
    m_intAlertMegabytes = settings.m_intAlertMegabytesPerMinute;
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
    m_editThreshold.Attach(m_hWnd, IDC_ALERT_MEGABYTES);
    ::SendDlgItemMessageW(m_hWnd, IDC_ALERT_MEGABYTES, EM_LIMITTEXT, kThresholdDigits, 0);
    TransferToBoxes();
    return TRUE;
}

void CTavrelloOptionsDlg::TransferToBoxes()
{
    for (int i = 0; i < kOptionCount; ++i)
        ::CheckDlgButton(m_hWnd, kOptions[i].boxId, m_arrValues[i] ? BST_CHECKED : BST_UNCHECKED);
    m_editThreshold.SetNumber(static_cast<unsigned long>(m_intAlertMegabytes));
    EnableThresholdBox();
}

void CTavrelloOptionsDlg::EnableThresholdBox()
{
    const BOOL on = ::IsDlgButtonChecked(m_hWnd, IDC_HEAVY_WRITE_ALERTS) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDC_ALERT_MEGABYTES), on);
    ::EnableWindow(GetDlgItem(IDC_ALERT_MEGABYTES_LABEL), on);
}

bool CTavrelloOptionsDlg::TakeThreshold()
{
    unsigned long megabytes = 0;
    if (m_editThreshold.GetNumber(kMaxAlertMegabytes, megabytes))
    {
        m_intAlertMegabytes = static_cast<int>(megabytes);
        return true;
    }
    // A box the user cannot change keeps the value it showed.
    if (!::IsWindowEnabled(GetDlgItem(IDC_ALERT_MEGABYTES)))
        return true;
    const std::wstring text = L"Warn about heavy writing above how many megabytes per minute? Enter a whole "
                              L"number from 0 to " +
                              std::to_wstring(kMaxAlertMegabytes) + L" (0: never).";
    ShowMessageBox(m_hWnd, text.c_str(), L"Tavrello", MB_OK | MB_ICONWARNING);
    HWND hBox = GetDlgItem(IDC_ALERT_MEGABYTES);
    ::SetFocus(hBox);
    ::SendMessageW(hBox, EM_SETSEL, 0, -1);
    return false;
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
    if (id == IDC_HEAVY_WRITE_ALERTS && code == BN_CLICKED)
        EnableThresholdBox();
    return CQDialog::OnCommand(id, code, hwndControl);
}

void CTavrelloOptionsDlg::OnOK()
{
    if (!TakeThreshold())
        return;
    TransferFromBoxes();
    if (g_pAppContext)
    {
        CQSettingsInterface& settings = g_pAppContext->m_settingsInterface;
        // The worker threads read two of these flags without a lock.
        for (int i = 0; i < kOptionCount; ++i)
            CounterStore(settings.*kOptions[i].setting, m_arrValues[i]);
        settings.m_intAlertMegabytesPerMinute = m_intAlertMegabytes;
        settings.Save();
    }
    EndDialog(IDOK);
}
