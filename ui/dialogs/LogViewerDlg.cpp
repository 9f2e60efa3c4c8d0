// Placeholder until the dialog is built: shows the bare template.
#include "ui/dialogs/LogViewerDlg.h"

CQLogViewerDlg::CQLogViewerDlg(HWND parent) : CQDialog(L"Log Viewer", parent) {}

CQLogViewerDlg::~CQLogViewerDlg() = default;
