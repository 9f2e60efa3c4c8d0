// The files tree view of the main window: one row per drive, folder and file of the collected tree, each
// asking its item for text, image and child count when the view needs them.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "ui/controls/Control.h"

class CQTreeItem;

class CQTreeCtrl : public CQControl
{
public:
    CQTreeCtrl();
    ~CQTreeCtrl() override;

    // Background, text and line colours.
    void SetColors(COLORREF background, COLORREF text, COLORREF lines);
    void SetImageList(HIMAGELIST images);

    // Inserts the row of one item (parents before children); false when the view refuses it.
    BOOL InsertItem(CQTreeItem* item);
    // Inserts the rows of the whole tree below root, as after loading the saved data.
    void FillFromRoot(CQTreeItem* root);
    // Deletes every row.
    void DeleteAllItems();

    // The main dialog routes these notifications of the control here.
    void OnItemExpanded(const NMTREEVIEWW* info); // sorts the children of an expanded row
    void OnItemMenu(HWND owner);                  // right click: the item's context menu
    void OnDoubleClick(HWND owner);               // the processes of the clicked item with its sub-items

    HTREEITEM m_hClickedItem = nullptr;
    CQTreeItem* m_pClickedItem = nullptr; // not owned
};
