#include "ui/dialogs/LogViewerDlg.h"

#include "app/AppContext.h"
#include "resources/resource.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/ListCopy.h"

CQLogViewerDlg::CQLogViewerDlg(HWND parent) : CQDialog(IDD_LOG_VIEWER, parent)
{
    m_listLog.AttachBrush(::CreateSolidBrush(kControlBackgroundColor));
}

CQLogViewerDlg::~CQLogViewerDlg() = default;

BOOL CQLogViewerDlg::OnInitDialog()
{
    CQDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_listLog.Attach(m_hWnd, IDC_LOG_LIST);
    if (g_pAppContext && m_listLog.GetHwnd())
        g_pAppContext->m_log.AttachViewer(m_listLog.GetHwnd());
    return TRUE;
}

BOOL CQLogViewerDlg::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'C' && ::GetKeyState(VK_CONTROL) < 0 &&
        (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)))
    {
        CopyTextToClipboard(m_hWnd, ListBoxLinesAsText(m_listLog.GetHwnd()));
        return TRUE;
    }
    return CQDialog::PreTranslateMessage(pMsg);
}

void CQLogViewerDlg::OnDestroy()
{
    if (g_pAppContext)
        g_pAppContext->m_log.DetachViewer();
    CQDialog::OnDestroy();
}
