// Modal dialog "Write History": the bar chart of the last 30 or 90 days of the write history, or of the
// last 365 days in weeks, the selected bar's figures under it, the average over the calendar days that
// had monitoring and the SSD life at that rate for the capacity chosen in the main window. While it is
// open, today's bar follows the growth that the main window's refresh counts. A drive of the drive history
// can be chosen below the chart: its own host writes then show beside the measured bars.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/health/DriveChartSeries.h"
#include "stats/history/HistoryDay.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/ColoredCombo.h"
#include "ui/controls/ComboDriveItem.h"
#include "ui/controls/ResizeDialog.h"
#include "ui/dialogs/history/HistoryChart.h"

class CQDriveHistory;
class CQWriteHistory;

class CTavrelloWriteHistoryDlg : public CQResizeDialog
{
public:
    // `capacityIndex` is the main window's row of the capacity list. The drive history (not owned, may be
    // null) offers its drives' host writes; it must outlive the dialog.
    CTavrelloWriteHistoryDlg(CQWriteHistory& history, int capacityIndex, HWND parent,
                             const CQDriveHistory* driveHistory = nullptr);
    ~CTavrelloWriteHistoryDlg() override;

    int GetRangeDays() const { return m_intRangeDays; }
    const CQHistoryChart& GetChart() const { return m_chart; }
    // The identity of the drive whose host writes are shown; empty for none.
    const std::wstring& GetDriveIdentity() const { return m_csDriveIdentity; }

protected:
    BOOL OnInitDialog() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override;
    const wchar_t* GetToolTipText(UINT controlId) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void RepositionControls() override;

private:
    void ShowRange(int days);
    // The selected bar's figures under the chart.
    void ShowSelectedBar();
    // Takes today's row and date from the history again; true when anything changed.
    bool FollowToday();
    // "None" and the drives of the drive history; disabled without any.
    void FillDriveList();
    void OnDriveChosen();

    CQWriteHistory& m_history;
    int m_intCapacityIndex;
    std::vector<CQHistoryDay> m_arrDays; // a copy, oldest first
    int32_t m_intToday = 0;
    int m_intRangeDays = 30;
    UINT_PTR m_uintTimer = 0;
    CQHistoryChart m_chart;
    CButtonST m_buttonOk;
    const CQDriveHistory* m_pDriveHistory;
    std::vector<CQDriveChoice> m_arrDriveChoices;
    // The combo's rows draw these names; "None" first.
    std::vector<CComboDriveItem> m_arrDriveItems;
    CColoredCombo m_comboDrive;
    std::wstring m_csDriveIdentity;
};
