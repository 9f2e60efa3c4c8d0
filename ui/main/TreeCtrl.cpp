// Placeholder until the files tree view is built.
#include "ui/main/TreeCtrl.h"

CQTreeCtrl::CQTreeCtrl() = default;
CQTreeCtrl::~CQTreeCtrl() = default;

void CQTreeCtrl::SetColors(COLORREF, COLORREF, COLORREF) {}

void CQTreeCtrl::SetImageList(HIMAGELIST) {}

BOOL CQTreeCtrl::InsertItem(CQTreeItem*)
{
    return FALSE;
}

void CQTreeCtrl::FillFromRoot(CQTreeItem*) {}

void CQTreeCtrl::DeleteAllItems() {}

void CQTreeCtrl::OnItemExpanded(const NMTREEVIEWW*) {}

void CQTreeCtrl::OnItemMenu(HWND) {}

void CQTreeCtrl::OnDoubleClick(HWND) {}
