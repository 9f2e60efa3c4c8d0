// Modal dialog: the seven yes/no options of the interface settings.
#pragma once

#include "ui/controls/Dialog.h"

class CQTreeItem;

class CTavrelloOptionsDlg : public CQDialog
{
public:
    CTavrelloOptionsDlg(HWND parent);
    ~CTavrelloOptionsDlg() override;
};
