// CQDriveHealthList: the Drive Health window's list, one row per drive. Each row's item parameter is its
// index in the cell texts the window owns (not owned here); rows stay in disk order.
#pragma once

#include <vector>

#include "stats/health/DriveHealthTexts.h"
#include "ui/controls/ListCtrl.h"

class CQDriveHealthList : public CQListCtrl
{
public:
    // The texts the rows show; must stay alive while the rows do.
    void SetCells(const std::vector<CQDriveHealthCells>* cells) { m_pCells = cells; }
    // Inserts the columns of g_driveHealthColumns.
    void InsertColumns();
    // Replaces every row by one per cell set, selecting `selected` (-1 for none).
    void ShowRows(int selected);
    int GetSelectedRow() const;

    int CompareRows(LPARAM first, LPARAM second) const override;

protected:
    void OnGetDispInfo(NMLVDISPINFOW* pInfo) override;

private:
    const std::vector<CQDriveHealthCells>* m_pCells = nullptr;
};
