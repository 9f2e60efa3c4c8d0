// A process of the session other than the test program, so that writes can come from two processes whose
// names the process lookup finds (an id that no process has would take a process snapshot per record).
#pragma once

#include <windows.h>

// Its id, or the test program's own when there is no other.
DWORD OtherProcessId();
