// Modal dialog: the program log, with new lines as they come.
#pragma once

#include "ui/controls/Dialog.h"

class CQTreeItem;

class CQLogViewerDlg : public CQDialog
{
public:
    CQLogViewerDlg(HWND parent);
    ~CQLogViewerDlg() override;
};
