#include "ui/dialogs/LogViewerDlg.h"

#include "app/AppContext.h"
#include "resources/resource.h"
#include "ui/controls/ControlColors.h"

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

void CQLogViewerDlg::OnDestroy()
{
    if (g_pAppContext)
        g_pAppContext->m_log.DetachViewer();
    CQDialog::OnDestroy();
}
