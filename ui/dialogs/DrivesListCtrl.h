// CQDrivesListCtrl: the monitored-drives list. One tall row per drive, drawn entirely by the control: a
// picture (lit when the row is selected), the drive letter and, below it, the volume's kernel name. Each
// row's item parameter is its CQDriveItem (not owned).
#pragma once

#include "ui/controls/ListCtrl.h"

class CQDriveItem;

class CQDrivesListCtrl : public CQListCtrl
{
public:
    static constexpr int kPictureWidth = 64;
    static constexpr int kPictureHeight = 44;
    static constexpr COLORREF kBackgroundColor = 0x302D2D;
    static constexpr COLORREF kTextColor = 0xF0FFFF;
    static constexpr COLORREF kSelectedBackgroundColor = 0xF0FFFF;
    static constexpr COLORREF kSelectedTextColor = 0x403D3D;
    // Text offset inside the row's label rectangle.
    static constexpr int kTextOffsetX = 3;
    static constexpr int kTextOffsetY = 10;

    // Cuts the two pictures (0 unselected, 1 selected) from bitmap IDB_DRIVES and gives them to the list
    // as its small image list, which also sets the row height; the list destroys them with itself.
    BOOL SetupImages();
    HIMAGELIST GetImageList() const { return m_hImages; }

    // Draws row `index` completely into `hdc`, as the custom draw does.
    void DrawRow(HDC hdc, int index) const;

    // Rows stay in the drive list's order.
    int CompareRows(LPARAM first, LPARAM second) const override;

protected:
    BOOL OnNotify(NMHDR* pHeader, LRESULT& result) override;
    // The list shows no text of its own: everything visible is drawn by DrawRow.
    void OnGetDispInfo(NMLVDISPINFOW* pInfo) override;

private:
    LRESULT OnCustomDraw(const NMLVCUSTOMDRAW* pDraw) const;
    void OnClick(const NMITEMACTIVATE* pActivate);
    BOOL IsRowSelected(int index) const;

    HIMAGELIST m_hImages = nullptr; // owned by the list view once handed over
};
