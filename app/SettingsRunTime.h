// Settings worked out at each start: the program folder, the per-user data folder and the build.
#pragma once

#include <windows.h>

#include <string>

#include "app/Settings.h"
#include "app/Version.h"

class CQSettingsRunTime : public CQSettings
{
public:
    static constexpr DWORD kCurrentBuild = TAVRELLO_VERSION_BUILD;

    // Reads m_dwordBuild from the store.
    CQSettingsRunTime();

    // Writes m_dwordBuild = the current build; returns 1.
    int Save() override;
    // Fills the program folder from the current directory and creates the data folder; 1 when the data
    // folder exists afterwards.
    int Load() override;
    // <application data>\Orvek software\Tavrello, created when missing; shows "Can't create the folder
    // '%s'" when that fails. 1 on success; m_csDataFolder stays empty on failure.
    int CreateDataFolder();

    // The creation below a given application-data folder; dataFolder is set only on success.
    static BOOL CreateDataFolderIn(const std::wstring& appDataFolder, std::wstring& dataFolder);
    // The current directory, ending in a backslash (a drive root keeps its only one).
    static std::wstring CurrentFolder();
    // Appends a backslash to a path longer than one character that does not end in one.
    static void AppendBackslash(std::wstring& path);

    std::wstring m_csProgramFolder;
    std::wstring m_csDataFolder;
    DWORD m_dwordBuild = 0;
    const DWORD m_dwordCurrentBuild = kCurrentBuild;
};
