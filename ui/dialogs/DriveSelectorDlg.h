// Modal dialog: the drives the driver watches; OK attaches and detaches at once.
#pragma once

#include "ui/controls/Dialog.h"

class CQTreeItem;

class CQDriveSelectorDlg : public CQDialog
{
public:
    CQDriveSelectorDlg(HWND parent);
    ~CQDriveSelectorDlg() override;
};
