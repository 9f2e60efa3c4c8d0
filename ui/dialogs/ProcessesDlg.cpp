// Placeholder until the dialog is built: shows the bare template.
#include "ui/dialogs/ProcessesDlg.h"

CTavrelloProcessesDlg::CTavrelloProcessesDlg(CQTreeItem*, BOOL, HWND parent) : CQDialog(146u, parent) {}

CTavrelloProcessesDlg::~CTavrelloProcessesDlg() = default;
