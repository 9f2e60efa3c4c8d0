#include "ui/main/DataNotice.h"

#include <string>

#include "app/MessageBoxHook.h"
#include "engine/Monitor.h"

bool TellAboutSavedDataFiles(HWND owner, const CQMonitor& monitor)
{
    const std::vector<std::wstring>& notices = monitor.m_savedData.notices;
    if (notices.empty())
        return false;
    std::wstring text = L"Tavrello could not use all of its saved data as it was.";
    for (const std::wstring& notice : notices)
        text += L"\n\n" + notice;
    text += L"\n\nNo file was deleted. The program's log (\"Show App Log\") has the details.";
    ShowMessageBox(owner, text.c_str(), L"Tavrello", MB_OK | MB_ICONWARNING);
    return true;
}
