// CColoredCheckBox: a check box that, when owner-drawn, paints its text in the program's colours. The
// program's check boxes are automatic ones; they take their colours from the dialog's static colouring.
#pragma once

#include "ui/controls/Control.h"

class CColoredCheckBox : public CQControl
{
public:
    void DrawItem(const DRAWITEMSTRUCT* pDraw) const;

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
