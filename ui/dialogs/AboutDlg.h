// Modal dialog: the About box with the version line and the links to the maker's and the product's sites.
#pragma once

#include "ui/controls/ButtonST.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/HyperLink.h"

class CTavrelloAboutDlg : public CQDialog
{
public:
    static constexpr int kVersionMajor = 1;
    static constexpr int kVersionMinor = 40;
    static constexpr int kVersionBuild = 320;

    CTavrelloAboutDlg(HWND parent);
    ~CTavrelloAboutDlg() override;

protected:
    BOOL OnInitDialog() override;

private:
    CButtonST m_buttonOk;
    CHyperLink m_linkMaker;
    CHyperLink m_linkProduct;
};
