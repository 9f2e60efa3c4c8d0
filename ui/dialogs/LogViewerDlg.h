// Modal dialog: the program log, with new lines as they come; Ctrl+C copies them.
#pragma once

#include "ui/controls/ButtonST.h"
#include "ui/controls/ColorListBox.h"
#include "ui/controls/Dialog.h"

class CQLogViewerDlg : public CQDialog
{
public:
    CQLogViewerDlg(HWND parent);
    ~CQLogViewerDlg() override;

    // Ctrl+C anywhere in the dialog copies the lines as text (ListCopy.h), so that a user can hand over
    // what a run logged.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // Links the list box to the program log, which fills it with the stored lines.
    BOOL OnInitDialog() override;
    // Unlinks the list box before the window goes, so later lines touch no window.
    void OnDestroy() override;

private:
    CButtonST m_buttonOk;
    CColorListBox m_listLog;
};
