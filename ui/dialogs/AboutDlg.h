// Modal dialog: the About box with the version line and the links to the maker's and the product's sites.
#pragma once

#include "app/Version.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/HyperLink.h"

class CTavrelloAboutDlg : public CQDialog
{
public:
    static constexpr int kVersionMajor = TAVRELLO_VERSION_MAJOR;
    static constexpr int kVersionMinor = TAVRELLO_VERSION_MINOR;
    static constexpr int kVersionBuild = TAVRELLO_VERSION_BUILD;

    CTavrelloAboutDlg(HWND parent);
    ~CTavrelloAboutDlg() override;

protected:
    BOOL OnInitDialog() override;

private:
    CButtonST m_buttonOk;
    CHyperLink m_linkMaker;
    CHyperLink m_linkProduct;
};
