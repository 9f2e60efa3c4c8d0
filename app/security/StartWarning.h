// The warning at start when Tavrello runs as administrator from a folder that others than administrators
// can change (a Downloads folder): whoever changes the folder runs code with administrator rights.
#pragma once

#include <string>

// Empty unless this process is elevated and CheckProgramFolder refuses `programFolder`; then the warning
// for the user's balloon. The program log gets a line with the reason.
std::wstring ProgramFolderWarning(const std::wstring& programFolder);
