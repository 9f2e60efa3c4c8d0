#include "app/TavrelloApp.h"

#include <shlwapi.h>

#include <memory>
#include <vector>

#include "app/AppContext.h"
#include "app/Registry.h"
#include "app/security/StartWarning.h"
#include "ui/main/TavrelloDlg.h"

const wchar_t kSingleInstanceName[] = L"Orvek software Tavrello App";

namespace
{
// The full path of the program's executable, however long it is.
std::vector<wchar_t> ExecutablePath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;)
    {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
        {
            path.assign(1, L'\0');
            return path;
        }
        if (length < path.size())
            return path;
        // Cut short: try again with more room rather than take a wrong folder.
        path.resize(path.size() * 2);
    }
}

// The folder of the executable becomes the current directory: the settings take it as the program folder.
void EnterProgramFolder()
{
    std::vector<wchar_t> path = ExecutablePath();
    ::PathRemoveFileSpecW(path.data());
    // A failure is not reported: the program folder is then whatever the current directory was.
    ::SetCurrentDirectoryW(path.data());
}
} // namespace

BOOL CTavrelloApp::InitInstance()
{
    const UINT showMessage = ::RegisterWindowMessageW(kSingleInstanceName);
    ::SetLastError(ERROR_SUCCESS);
    HANDLE hMutex = ::CreateMutexW(nullptr, TRUE, kSingleInstanceName);
    if (hMutex == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        // Another instance runs (or might): it shows its window; this one touches nothing and ends.
        ::PostMessageW(HWND_BROADCAST, showMessage, 0, 0);
        if (hMutex)
            ::CloseHandle(hMutex);
        return FALSE;
    }

    EnterProgramFolder();

    CQRegistry* pRegistry = new CQRegistry(L"Orvek software", L"Tavrello");
    SetSettingsStore(pRegistry);
    g_pAppContext = new CQAppContext;
    g_pAppContext->m_uintShowMessage = showMessage;

    // Everything the user does happens inside this modal run; it returns after the main window's
    // clean-up has stopped monitoring, detached the drives and removed the driver.
    std::unique_ptr<CTavrelloDlg> pDialog(new CTavrelloDlg(nullptr));
    pDialog->SetStartWarning(ProgramFolderWarning(g_pAppContext->m_settingsRunTime.m_csProgramFolder));
    pDialog->DoModal();

    // The context's destruction saves the interface settings, so the store goes after it.
    delete g_pAppContext;
    g_pAppContext = nullptr;
    SetSettingsStore(nullptr);
    delete pRegistry;

    ::ReleaseMutex(hMutex);
    ::CloseHandle(hMutex);

    pDialog.reset();
    return FALSE;
}
