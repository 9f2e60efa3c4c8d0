// The files tree view of the main window: one row per drive, folder and file of the collected tree, each
// asking its item for text, image and child count when the view needs them.
//
// Rows are made lazily: the drives get rows at once, the children of a row only when that row is first
// expanded (or auto-expanded). A row "is populated" once it has child rows; from then on new children are
// inserted as they are handed over. What the user sees is the same as if every item had its row.
//
// Threads: everything here runs on the user-interface thread. Items are read under the monitor's data
// lock; new items arrive through the context's hand-over (app/ItemHandOver.h) as a registered message.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

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

    // Inserts the row of one item (parents before children); false when the view refuses it. An item whose
    // parent row is missing or not populated yet gets no row now: it appears when the parent is expanded.
    BOOL InsertItem(CQTreeItem* item);
    // Inserts the rows of the whole tree below root, as after loading the saved data.
    void FillFromRoot(CQTreeItem* root);
    // Deletes every row.
    void DeleteAllItems();

    // The main dialog routes these notifications of the control here.
    void OnItemExpanded(const NMTREEVIEWW* info); // sorts the children of an expanded row
    void OnItemMenu(HWND owner);                  // right click: the item's context menu
    void OnDoubleClick(HWND owner);               // the processes of the clicked item with its sub-items

    // Sorts the child rows of row with the comparison of the current sort setting (data lock taken).
    void SortChildren(HTREEITEM row);

    // Id of the message that the hand-over posts to this control.
    static UINT GetHandOverMessage();

    HTREEITEM m_hClickedItem = nullptr;
    CQTreeItem* m_pClickedItem = nullptr; // not owned

protected:
    void OnAttached() override;
    void OnDetaching() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Row insertion (TreeInsert.cpp). The data lock is held by the caller of the *Locked functions.
    BOOL InsertItemLocked(CQTreeItem* item);
    HTREEITEM InsertRow(CQTreeItem* item, HTREEITEM parent, HTREEITEM after);
    HTREEITEM FindTopLevelPosition(const CQTreeItem* item) const;
    // Gives the children of item rows if its row has none yet; true when it now has child rows.
    BOOL Populate(CQTreeItem* item);
    // Populates the row and expands it, as the auto-expansion of a new item's parent does.
    void ExpandRow(CQTreeItem* item);
    void OnItemExpanding(const NMTREEVIEWW* info);
    // The hand-over's message: takes the waiting items now, or after a pause when the last batch was
    // costly (every change to an open row makes the view measure all its open rows again).
    void OnItemsHandedOver();
    void TakeHandedOverItems();
    BOOL HasChildRows(HTREEITEM row) const;
    BOOL ShouldAutoExpand() const;
    // Before rows go: items forget their rows, the clicked row is forgotten if it goes too.
    void ForgetRows(HTREEITEM row);

    // Mouse (TreeItemMenu.cpp).
    void RememberClickedRow(LPARAM point, BOOL select);
    void ForgetClickedRow();

    // Sorting (TreeSort.cpp).
    static int CALLBACK CompareItems(LPARAM first, LPARAM second, LPARAM control);

    void Disconnect();

    // Sends a message straight to the tree view's own procedure. Under Wine every message through the
    // subclass chain costs a window-property lookup in the server, and this control's own requests (many
    // per row) need nothing from the chain.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    HTREEITEM GetNextRow(HTREEITEM row, UINT relation) const
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(row)));
    }
    // The item of a row (its row data), or null.
    CQTreeItem* ItemOfRow(HTREEITEM row) const;

    // Items whose rows are to be expanded as soon as they exist: parents that got a new child during
    // monitoring with auto-expansion on while they had no row of their own.
    std::unordered_set<CQTreeItem*> m_setExpandWhenShown;
    // Sort keys of the rows being sorted, computed once per sort under the data lock.
    std::unordered_map<const CQTreeItem*, uint64_t> m_mapSortKeys;
    BOOL m_boolSortBySize = 0;
    BOOL m_boolConnected = 0;
    WNDPROC m_pfnTreeProc = nullptr; // the tree view class's procedure, below every subclass
    // Id of the timer that delays a hand-over batch; far from the ids the tree view uses itself.
    static constexpr UINT_PTR kBatchTimer = 0x7A5E;
    // Pacing of the hand-over batches: no batch before this tick; a timer is set while one waits.
    ULONGLONG m_qwordNextBatchTick = 0;
    BOOL m_boolBatchTimer = 0;
};
