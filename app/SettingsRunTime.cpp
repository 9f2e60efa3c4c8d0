#include "app/SettingsRunTime.h"

#include <shlobj.h>

#include "app/MessageBoxHook.h"
#include "app/Registry.h"

namespace
{
const wchar_t kSection[] = L"RunTime Settings";

// Creates one folder; an existing one is fine.
BOOL CreateFolder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
} // namespace

CQSettingsRunTime::CQSettingsRunTime() : CQSettings(kSection)
{
    if (CQRegistry* store = GetSettingsStore())
        m_dwordBuild = static_cast<DWORD>(store->GetInt(kSection, L"m_dwordBuild", 0));
}

int CQSettingsRunTime::Save()
{
    m_dwordBuild = kCurrentBuild;
    if (CQRegistry* store = GetSettingsStore())
        store->SetInt(kSection, L"m_dwordBuild", static_cast<int>(kCurrentBuild));
    return 1;
}

int CQSettingsRunTime::Load()
{
    m_csProgramFolder = CurrentFolder();
    CreateDataFolder();
    if (m_csDataFolder.empty())
        return 0;
    DWORD attributes = GetFileAttributesW(m_csDataFolder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int CQSettingsRunTime::CreateDataFolder()
{
    m_csDataFolder.clear();
    wchar_t appData[MAX_PATH + 1];
    appData[0] = 0;
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                appData)))
        appData[0] = 0;
    appData[MAX_PATH] = 0;
    if (appData[0] == 0)
        return 0;
    return CreateDataFolderIn(appData, m_csDataFolder);
}

BOOL CQSettingsRunTime::CreateDataFolderIn(const std::wstring& appDataFolder, std::wstring& dataFolder)
{
    std::wstring path = appDataFolder;
    for (const wchar_t* name : {L"Orvek software", L"Tavrello"})
    {
        AppendBackslash(path);
        path += name;
        if (!CreateFolder(path))
        {
            std::wstring text = L"Can't create the folder '" + path + L"'";
            ShowMessageBox(nullptr, text.c_str(), L"Tavrello", MB_OK);
            return 0;
        }
    }
    dataFolder = path;
    return 1;
}

std::wstring CQSettingsRunTime::CurrentFolder()
{
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length + 1, L'\0');
    DWORD copied = GetCurrentDirectoryW(length + 1, &folder[0]);
    folder.resize(copied <= length ? copied : 0);
    AppendBackslash(folder);
    return folder;
}

void CQSettingsRunTime::AppendBackslash(std::wstring& path)
{
    if (path.size() > 1 && path.back() != L'\\')
        path += L'\\';
}
