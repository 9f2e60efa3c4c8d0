// Modal dialog: the eight yes/no options of the interface settings. It edits copies, taken when the
// object is constructed; OK writes them back and saves the section, Cancel leaves everything alone.
#pragma once

#include "ui/controls/ButtonST.h"
#include "ui/controls/ColoredCheckBox.h"
#include "ui/controls/Dialog.h"

class CTavrelloOptionsDlg : public CQDialog
{
public:
    static constexpr int kOptionCount = 8;

    CTavrelloOptionsDlg(HWND parent);
    ~CTavrelloOptionsDlg() override;

    // The dialog's copy of option `index` (in the order of the check boxes), 1 or 0.
    BOOL GetOptionValue(int index) const { return m_arrValues[index]; }
    // The check box id of option `index`.
    static int GetOptionBoxId(int index);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override;
    void OnOK() override;

private:
    void TransferToBoxes();
    void TransferFromBoxes();

    CButtonST m_buttonOk;
    CButtonST m_buttonCancel;
    CButtonST m_buttonHelp;
    CColoredCheckBox m_arrBoxes[kOptionCount];
    BOOL m_arrValues[kOptionCount] = {};
};
