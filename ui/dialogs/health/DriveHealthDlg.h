// Modal dialog "Drive Health": one row per physical disk that holds a monitored drive, with the drive's own
// figures beside what Tavrello measured on its volumes, the life it has left and the method that gave it;
// below, the selected drive in sentences and its rated endurance (TBW), which the user enters here. The
// rows follow the readings the main window's refresh takes in; "Read now" asks for a new round. Resizable.
#pragma once

#include <cstdint>
#include <vector>

#include "stats/health/DriveHealthTexts.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/ResizeDialog.h"
#include "ui/dialogs/health/DriveHealthList.h"

class CQDriveHealth;
class CQMonitor;

class CTavrelloDriveHealthDlg : public CQResizeDialog
{
public:
    CTavrelloDriveHealthDlg(CQDriveHealth& health, CQMonitor& monitor, HWND parent);
    ~CTavrelloDriveHealthDlg() override;

    // The texts the rows show now, in row order.
    const std::vector<CQDriveHealthCells>& GetCells() const { return m_arrCells; }

protected:
    BOOL OnInitDialog() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override;
    BOOL OnNotify(NMHDR* pHeader, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void RepositionControls() override;

private:
    // Takes the views again when they changed; the selection stays on its drive.
    void Follow();
    void ShowSelected();
    void ShowStatus();
    void SetRating();

    CQDriveHealth& m_health;
    CQMonitor& m_monitor;
    uint64_t m_qwordVersion = 0;
    bool m_boolFilled = false;
    std::vector<CQDriveHealthCells> m_arrCells;
    std::vector<uint32_t> m_arrDisks; // the disk of each row
    UINT_PTR m_uintTimer = 0;
    CQDriveHealthList m_list;
    CButtonST m_buttonOk;
    CButtonST m_buttonSet;
    CButtonST m_buttonReadNow;
    CQBrush m_brushEdit;
};
