// CColoredCombo: an owner-drawn combo box (CBS_OWNERDRAWFIXED) whose rows are CComboDriveItem objects in
// the item data, painted in the program's control colours and centred, without selection marks.
#pragma once

#include "ui/controls/Control.h"
#include "ui/controls/GdiObject.h"

class CColoredCombo : public CQControl
{
public:
    // Takes ownership of the background brush that the owning dialog creates.
    void AttachBrush(HBRUSH hBrush) { m_brushBackground.Reset(hBrush); }
    HBRUSH GetBrush() const { return m_brushBackground.Get(); }

    void MeasureItem(MEASUREITEMSTRUCT* pMeasure) const { MeasureItemOf(m_hWnd, pMeasure); }
    void DrawItem(const DRAWITEMSTRUCT* pDraw) const;

    // List items are twice the line height measured on the combo's own device context (its font not
    // selected); the selection field (-1) is left alone. Also used before the combo is bound: the system
    // asks while it creates the control.
    static void MeasureItemOf(HWND hCombo, MEASUREITEMSTRUCT* pMeasure);

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The closed box is painted here in the control colours: the system's own frame and drop-down button
    // would be light on the dark dialog.
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void PaintClosed(HDC hdc) const;

    CQBrush m_brushBackground;
};
