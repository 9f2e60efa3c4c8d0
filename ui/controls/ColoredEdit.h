// CQColoredEdit: an edit box in the program's colours (the control background and text), greyed while it
// is disabled.
#pragma once

#include "ui/controls/Control.h"
#include "ui/controls/GdiObject.h"

class CQColoredEdit : public CQControl
{
public:
    CQColoredEdit();

    // The text read as a whole decimal number up to `largest`; false for anything else (empty, a sign,
    // digits beyond it).
    bool GetNumber(unsigned long largest, unsigned long& value) const;
    void SetNumber(unsigned long value);

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CQBrush m_brushBackground;
};
