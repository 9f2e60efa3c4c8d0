// Explanations shown when the mouse rests on a figure or its label.
#pragma once

// The text for a control of the main window, or nullptr when the control has none.
const wchar_t* GetFigureToolTip(unsigned controlId);
