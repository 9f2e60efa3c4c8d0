// Modal dialog: processes that wrote to an item (or to all data when item is null), largest first; or a
// list made elsewhere, such as the writers of a heavy-writing alert's minute.
#pragma once

#include <string>
#include <vector>

#include "data/Process.h"
#include "data/PtrArray.h"
#include "stats/history/HistoryDay.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/ListCtrl.h"

class CQTreeItem;

class CTavrelloProcessesDlg : public CQDialog
{
public:
    // item null: all collected data (the monitor's root with its sub-items).
    CTavrelloProcessesDlg(CQTreeItem* item, BOOL withSubitems, HWND parent);
    // The given writers (copied) under the given headline.
    CTavrelloProcessesDlg(const std::vector<CQTopWriter>& writers, const std::wstring& headline, HWND parent);
    ~CTavrelloProcessesDlg() override;

    // The rows the list shows, in the order they were gathered; owned by the dialog.
    const CQPtrAutoArray<CQProcess>& GetRows() const { return m_arrRows; }

    // Name shown for a total whose process index has no record (only a damaged data file gives one).
    static constexpr const wchar_t* kUnknownProcessName = L"< unknown >";

protected:
    BOOL OnInitDialog() override;

private:
    void InsertColumns();
    // Gathers the rows and the headline's figure under the monitor's data lock.
    uint64_t GatherRows();
    void InsertRows();
    void SetHeadline(uint64_t written);

    CQTreeItem* m_pItem;
    BOOL m_boolWithSubitems;
    // A given list: its rows are made at construction, the headline is this text.
    bool m_boolGivenList = false;
    std::wstring m_csHeadline;
    // Declared so that the list goes first, then the rows, then the button.
    CButtonST m_buttonOk;
    CQPtrAutoArray<CQProcess> m_arrRows;
    CQListCtrl m_listProcesses;
};
