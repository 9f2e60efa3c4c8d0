// CQListCtrl: the program's report-style list view. Rows keep no text: each row's item parameter points to
// a row object (a CQProcess by default) that supplies its cells on demand. Rows sort by their written
// bytes, largest first, on every header click, and the owner may have the columns fitted to the width.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "ui/controls/Control.h"
#include "ui/controls/ListCopy.h"

class CQListCtrl : public CQControl
{
public:
    // Called with the control when its columns' total width differs from its client width.
    using FitCallback = std::function<void(CQListCtrl*)>;

    CQListCtrl() = default;

    // Sorts the rows with LVM_SORTITEMS and CompareRows; the list view's result.
    virtual BOOL SortItems();
    virtual BOOL DeleteAllItems();
    virtual BOOL DeleteItem(int index);

    // Sum of the widths of every header item; 0 without columns.
    int GetColumnsWidth() const;
    // With fitting enabled, calls the fit callback when the client width differs from GetColumnsWidth().
    void CheckColumnsFit();

    void SetFitCallback(FitCallback callback) { m_fnFitColumns = std::move(callback); }
    void EnableColumnsFit(BOOL enable) { m_boolFitColumns = enable ? TRUE : FALSE; }
    BOOL IsColumnsFitEnabled() const { return m_boolFitColumns; }
    // With copying enabled, Ctrl+C puts the rows on the clipboard as tab-separated text (ListCopy.h), with
    // the extra columns after the list's own.
    void EnableCopy(BOOL enable, std::vector<CQCopyColumn> extraColumns = {})
    {
        m_boolCopyRows = enable ? TRUE : FALSE;
        m_arrCopyColumns = std::move(extraColumns);
    }
    int GetSortColumn() const { return m_intSortColumn; }
    int GetItemCount() const;
    LPARAM GetItemData(int index) const;

    // Row order of two item parameters: -1 when the first comes first. The default reads both as
    // CQProcess rows and puts the larger written-byte count first (all 64 bits compared).
    virtual int CompareRows(LPARAM first, LPARAM second) const;

protected:
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Reflected notifications of the list view to its parent; true when handled, with the result.
    virtual BOOL OnNotify(NMHDR* pHeader, LRESULT& result);
    // LVN_GETDISPINFOW: the default hands the item record to the row's CQProcess.
    virtual void OnGetDispInfo(NMLVDISPINFOW* pInfo);

private:
    static int CALLBACK CompareCallback(LPARAM first, LPARAM second, LPARAM sortParam);
    void OnHeaderItemClick(int item);

    int m_intSortColumn = 0;
    FitCallback m_fnFitColumns;
    BOOL m_boolFitColumns = FALSE;
    BOOL m_boolCopyRows = FALSE;
    std::vector<CQCopyColumn> m_arrCopyColumns;
};
