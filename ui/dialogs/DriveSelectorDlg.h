// Modal dialog: the drives the driver watches; OK attaches and detaches at once.
#pragma once

#include "ui/controls/ButtonST.h"
#include "ui/controls/Dialog.h"
#include "ui/dialogs/DrivesListCtrl.h"

class CQDriveSelectorDlg : public CQDialog
{
public:
    CQDriveSelectorDlg(HWND parent);
    ~CQDriveSelectorDlg() override;

    CQDrivesListCtrl& GetDrivesList() { return m_listDrives; }

protected:
    BOOL OnInitDialog() override;
    // Attaches the selected drives that are not attached and detaches the attached ones no longer
    // selected, under the drives lock.
    void OnOK() override;

private:
    CButtonST m_buttonOk;
    CQDrivesListCtrl m_listDrives;
};
