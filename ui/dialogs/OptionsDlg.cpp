// Placeholder until the dialog is built: shows the bare template.
#include "ui/dialogs/OptionsDlg.h"

CTavrelloOptionsDlg::CTavrelloOptionsDlg(HWND parent) : CQDialog(134u, parent) {}

CTavrelloOptionsDlg::~CTavrelloOptionsDlg() = default;
