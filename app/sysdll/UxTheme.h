// <uxtheme.h> for the program's code: its functions declared without the import attribute, so that calls
// reach the definitions in UxTheme.cpp, which take them from the system folder's UxTheme.dll (an
// imported UxTheme.dll would be looked for in the program's folder first). Include this instead of
// <uxtheme.h>; a function not defined there fails to link, which is the reminder to add it.
#pragma once

#ifndef _UXTHEME_
#define _UXTHEME_
#endif
#include <windows.h>

#include <uxtheme.h>
