// Whether only administrators can change the program: Tavrello runs as administrator, and its autostart
// task runs it elevated at every logon, so whoever can change its folder or file can run code with
// administrator rights.
//
// "Only administrators" means: the owner is Administrators, SYSTEM or TrustedInstaller, and no entry of
// the DACL that applies to the object itself allows anybody else (CREATOR OWNER and OWNER RIGHTS stand
// for the owner) to write, append, delete, change the permissions or take ownership. Deny entries are not
// counted, so a DACL that would be safe only thanks to one is judged unsafe. The folders above the program
// folder are judged by a narrower rule: nobody else may delete or rename them or their children, or change
// their permissions or owner.
#pragma once

#include <windows.h>

#include <string>

// The program file in the program folder, which the check judges and the autostart task runs.
extern const wchar_t kProgramFileName[];

// Which changes count against an object.
enum class CQChangeRights
{
    Any,        // the program folder and file: writing to them as well as replacing them
    Replacement // a folder above them: deleting, renaming or re-permissioning it or a child
};

// The first account besides administrators that can make such changes under this security descriptor
// (owner and DACL needed), as "DOMAIN\name" or the SID's text; empty when there is none. A descriptor
// without a DACL lets everybody change the object ("Everyone").
std::wstring FindOtherChanger(PSECURITY_DESCRIPTOR descriptor, CQChangeRights rights);

struct CQProgramFolderCheck
{
    bool adminOnly = false;
    // The folder as it really is (links followed), ending in a backslash; the given one when it cannot
    // be resolved.
    std::wstring folder;
    // Why not, for the log and the user: "'C:\Users\me\Downloads\Tavrello' can be changed by PC\me".
    std::wstring reason;
};

// Judges the program folder, the program file "tavrello.exe" in it and the folders above it.
CQProgramFolderCheck CheckProgramFolder(const std::wstring& programFolder);

// Whether this process runs with an elevated (administrator) token.
bool IsProcessElevated();
