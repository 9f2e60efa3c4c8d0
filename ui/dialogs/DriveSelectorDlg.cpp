#include "ui/dialogs/DriveSelectorDlg.h"

#include "app/AppContext.h"
#include "resources/resource.h"

namespace
{
// Column 0 takes the whole client width.
void FitDriveColumn(CQListCtrl* list)
{
    RECT client = {};
    ::GetClientRect(list->GetHwnd(), &client);
    ::SendMessageW(list->GetHwnd(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right - client.left, 0));
}
} // namespace

CQDriveSelectorDlg::CQDriveSelectorDlg(HWND parent) : CQDialog(IDD_DRIVES, parent) {}

CQDriveSelectorDlg::~CQDriveSelectorDlg() = default;

BOOL CQDriveSelectorDlg::OnInitDialog()
{
    CQDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_listDrives.Attach(m_hWnd, IDC_DRIVES_LIST);
    HWND hList = m_listDrives.GetHwnd();
    if (!hList)
        return TRUE;

    ::SendMessageW(hList, LVM_SETBKCOLOR, 0, CQDrivesListCtrl::kBackgroundColor);
    ::SendMessageW(hList, LVM_SETTEXTCOLOR, 0, CQDrivesListCtrl::kTextColor);

    RECT window = {};
    ::GetWindowRect(hList, &window);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = (window.right - window.left) - 2 * ::GetSystemMetrics(SM_CXEDGE);
    column.pszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(hList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));

    if (g_pAppContext)
    {
        CQPtrAutoArray<CQDriveItem>& drives = g_pAppContext->m_monitor.m_arrDrives;
        for (int i = 0; i < drives.GetSize(); ++i)
        {
            CQDriveItem* drive = drives[i];
            LVITEMW item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
            item.iItem = i;
            item.pszText = LPSTR_TEXTCALLBACKW;
            item.iImage = I_IMAGECALLBACK;
            item.lParam = reinterpret_cast<LPARAM>(drive);
            item.stateMask = LVIS_SELECTED;
            item.state = drive->m_intInstances != 0 ? LVIS_SELECTED : 0;
            drive->m_intListIndex =
                static_cast<int>(::SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        }
    }

    m_listDrives.SetupImages();

    m_listDrives.SetFitCallback(FitDriveColumn);
    m_listDrives.EnableColumnsFit(TRUE);
    m_listDrives.CheckColumnsFit();
    ::InvalidateRect(hList, nullptr, TRUE);
    return TRUE;
}

void CQDriveSelectorDlg::OnOK()
{
    if (g_pAppContext && m_listDrives.GetHwnd())
    {
        CQMonitor& monitor = g_pAppContext->m_monitor;
        const int rows = m_listDrives.GetItemCount();
        CQLock lock(monitor.m_lockDrives);
        for (int i = 0; i < monitor.m_arrDrives.GetSize(); ++i)
        {
            CQDriveItem* drive = monitor.m_arrDrives[i];
            const int row = drive->m_intListIndex;
            if (row < 0 || row >= rows || m_listDrives.GetItemData(row) != reinterpret_cast<LPARAM>(drive))
                continue;
            const BOOL selected = (::SendMessageW(m_listDrives.GetHwnd(), LVM_GETITEMSTATE,
                                                  static_cast<WPARAM>(row), LVIS_SELECTED) &
                                   LVIS_SELECTED) != 0;
            if (selected && drive->m_intInstances == 0)
                monitor.AttachDrive(drive);
            else if (!selected && drive->m_intInstances != 0)
                monitor.DetachDrive(drive);
        }
    }
    EndDialog(IDOK);
}
