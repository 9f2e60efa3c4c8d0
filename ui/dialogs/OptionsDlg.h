// Modal dialog: the eight yes/no options of the interface settings and the heavy-writing threshold in
// megabytes per minute beside "Warn about heavy writing". It edits copies, taken when the object is
// constructed; OK writes them back and saves the section, Cancel leaves everything alone. A threshold that
// is no whole number from 0 to kMaxAlertMegabytes is refused at OK with a message, and the dialog stays.
#pragma once

#include "ui/controls/ButtonST.h"
#include "ui/controls/ColoredCheckBox.h"
#include "ui/controls/ColoredEdit.h"
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
    int GetAlertMegabytes() const { return m_intAlertMegabytes; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override;
    void OnOK() override;

private:
    void TransferToBoxes();
    void TransferFromBoxes();
    // The threshold box can be changed while the alerts are on.
    void EnableThresholdBox();
    // The box's number into the copy; false (with the message shown) when it is none.
    bool TakeThreshold();

    CButtonST m_buttonOk;
    CButtonST m_buttonCancel;
    CButtonST m_buttonHelp;
    CColoredCheckBox m_arrBoxes[kOptionCount];
    BOOL m_arrValues[kOptionCount] = {};
    CQColoredEdit m_editThreshold;
    int m_intAlertMegabytes = 0;
};
