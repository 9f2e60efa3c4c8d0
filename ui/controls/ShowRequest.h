// The request of a second instance to show the first: a registered message that it broadcasts to every
// top-level window. Every modal loop of the program hands the copy addressed to the main window to
// HandleShowRequest (the dialogs' own loop directly, the system's message boxes through a message
// filter), so the first instance comes to the front whatever dialog or message box is open.
#pragma once

#include <windows.h>

class CQDialog;

// Names the message and the dialog that answers it (not owned); a null dialog stops the answering.
// User-interface thread only.
void SetShowRequestTarget(UINT message, CQDialog* target);

// When msg is the show request addressed to the target's window: restores the target, brings the window
// that has its input (an open dialog or message box, or the target itself) to the front and returns TRUE.
BOOL HandleShowRequest(const MSG& msg);
