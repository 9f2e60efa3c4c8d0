// Placeholder until the dialog is built: shows the bare template.
#include "ui/dialogs/DriveSelectorDlg.h"

CQDriveSelectorDlg::CQDriveSelectorDlg(HWND parent) : CQDialog(156u, parent) {}

CQDriveSelectorDlg::~CQDriveSelectorDlg() = default;
