#include "app/autostart/Autostart.h"

#include "app/Log.h"
#include "app/RegKey.h"
#include "app/autostart/AutostartTask.h"

CQProgramFolderCheck (*g_pfnCheckAutostartFolder)(const std::wstring&) = CheckProgramFolder;

namespace
{
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value could start the program, if at all, only without administrator rights.
void RemoveRunValue()
{
    CQRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS)
        ::RegDeleteValueW(key.Get(), L"Tavrello");
}

void DeleteTask()
{
    std::wstring error;
    if (!DeleteAutostartTask(error))
        LogLine(L"Auto start: the logon task could not be deleted: " + error);
}
} // namespace

bool UpdateAutostart(BOOL enable, const std::wstring& programFolder)
{
    RemoveRunValue();
    if (!enable)
    {
        DeleteTask();
        return false;
    }
    const CQProgramFolderCheck check = g_pfnCheckAutostartFolder(programFolder);
    if (!check.adminOnly)
    {
        LogLine(L"Auto start: no logon task, because " + check.reason +
                L"; only a folder that only administrators can change (such as one under Program Files) "
                L"may start Tavrello with administrator rights");
        DeleteTask();
        return false;
    }
    const std::wstring command = check.folder + kProgramFileName;
    std::wstring error;
    if (!RegisterAutostartTask(command, check.folder, error))
    {
        LogLine(L"Auto start: the logon task could not be created: " + error);
        return false;
    }
    return true;
}

std::wstring AutostartRefusal(const std::wstring& programFolder)
{
    const CQProgramFolderCheck check = g_pfnCheckAutostartFolder(programFolder);
    if (check.adminOnly)
        return std::wstring();
    return L"Tavrello cannot start by itself from this folder: " + check.reason +
           L".\n\nIt would start with administrator rights at every logon, so it does so only from a folder "
           L"that only administrators can change, such as one under Program Files. Install Tavrello there, "
           L"or move it there, and switch the option on again.";
}
