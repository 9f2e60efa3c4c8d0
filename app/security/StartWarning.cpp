#include "app/security/StartWarning.h"

#include "app/Log.h"
#include "app/security/FolderSecurity.h"

std::wstring ProgramFolderWarning(const std::wstring& programFolder)
{
    if (!IsProcessElevated())
        return std::wstring();
    const CQProgramFolderCheck check = CheckProgramFolder(programFolder);
    if (check.adminOnly)
        return std::wstring();
    LogLine(L"Warning: Tavrello runs as administrator from a folder that others can change, because " +
            check.reason + L"; move it into a folder under Program Files");
    return L"Tavrello runs as administrator, but others can change its folder: move it into a folder under "
           L"Program Files. (" +
           check.reason + L")";
}
