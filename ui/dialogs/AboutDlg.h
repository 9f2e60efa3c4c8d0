// Modal dialog: the About box.
#pragma once

#include "ui/controls/Dialog.h"

class CQTreeItem;

class CTavrelloAboutDlg : public CQDialog
{
public:
    CTavrelloAboutDlg(HWND parent);
    ~CTavrelloAboutDlg() override;
};
