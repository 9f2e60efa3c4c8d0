// Placeholder until the dialog is built: shows the bare template.
#include "ui/dialogs/AboutDlg.h"

CTavrelloAboutDlg::CTavrelloAboutDlg(HWND parent) : CQDialog(L"About Tavrello", parent) {}

CTavrelloAboutDlg::~CTavrelloAboutDlg() = default;
