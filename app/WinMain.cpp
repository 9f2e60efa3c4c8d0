// The program's entry point: the DLL search restricted to the system folder, the common control classes,
// then the application object's run.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/TavrelloApp.h"
#include "app/sysdll/SystemDll.h"

namespace
{
// The one application object, constructed before the entry point runs.
CTavrelloApp g_app;
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // First: every DLL loaded from here on, and the DLLs those load, come from the system folder only.
    RestrictDllSearchToSystemFolder();

    INITCOMMONCONTROLSEX init = {};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                 ICC_BAR_CLASSES | ICC_TAB_CLASSES;
    ::InitCommonControlsEx(&init);
    // Opening web pages and folders may go through shell extensions, which expect COM on this thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    g_app.InitInstance();

    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}
