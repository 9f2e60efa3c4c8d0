// The option "Auto start Tavrello" on the system: the logon task of AutostartTask.h, created only while
// only administrators can change the program (FolderSecurity.h), since it runs the program elevated at
// every logon. The Run value that earlier versions wrote goes whenever it is found.
#pragma once

#include <windows.h>

#include <string>

#include "app/security/FolderSecurity.h"

// Removes the Run value "Tavrello" of the current user; then, when `enable` is set and the check of
// `programFolder` finds only administrators can change it, creates or updates the task that runs
// "tavrello.exe" in that folder (as it really is, links followed), and otherwise deletes the task.
// Failures and refusals are logged. Returns whether the task now exists.
bool UpdateAutostart(BOOL enable, const std::wstring& programFolder);

// Empty when the option may be switched on for `programFolder`; else the user's explanation why not.
std::wstring AutostartRefusal(const std::wstring& programFolder);

// The check that decides whether the task may be created: CheckProgramFolder, or what a test puts here
// (Wine gives no folder that only administrators can change).
extern CQProgramFolderCheck (*g_pfnCheckAutostartFolder)(const std::wstring& programFolder);
