// Modal dialog: processes that wrote to an item (or to all data when item is null), largest first.
#pragma once

#include "ui/controls/Dialog.h"

class CQTreeItem;

class CTavrelloProcessesDlg : public CQDialog
{
public:
    CTavrelloProcessesDlg(CQTreeItem* item, BOOL withSubitems, HWND parent);
    ~CTavrelloProcessesDlg() override;
};
