// CColorListBox: an owner-drawn list box (LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS) painted in the
// program's control colours, one line of text per item, without selection or focus marks.
#pragma once

#include "ui/controls/Control.h"
#include "ui/controls/GdiObject.h"

class CColorListBox : public CQControl
{
public:
    // Takes ownership of the background brush that the owning dialog creates.
    void AttachBrush(HBRUSH hBrush) { m_brushBackground.Reset(hBrush); }
    HBRUSH GetBrush() const { return m_brushBackground.Get(); }

    void MeasureItem(MEASUREITEMSTRUCT* pMeasure) const { MeasureItemOf(pMeasure); }
    void DrawItem(const DRAWITEMSTRUCT* pDraw) const;

    // Every item is as high as the system's menu check mark; also used for a list box not bound yet.
    static void MeasureItemOf(MEASUREITEMSTRUCT* pMeasure);

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CQBrush m_brushBackground;
};
