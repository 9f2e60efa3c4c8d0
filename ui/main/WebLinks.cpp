#include "ui/main/WebLinks.h"

#include "app/ShellOpen.h"

namespace
{
std::wstring SiteRoot()
{
    return std::wstring(L"https://") + TAVRELLO_WEB_HOST;
}
} // namespace

std::wstring HelpPageUrl()
{
    return SiteRoot() + L"/help/?inref=tavrello";
}

std::wstring MeasurePageUrl(const std::wstring& alignedPerDayText)
{
    std::wstring url = SiteRoot() + L"/measure/?inref=tavrello&value=";
    for (wchar_t c : alignedPerDayText)
    {
        if (c == L' ')
            url += L"&msr=";
        else
            url += c;
    }
    return url;
}

void OpenHelpPage(HWND owner)
{
    ShellOpen(owner, L"open", HelpPageUrl().c_str(), SW_SHOWNORMAL);
}

void OpenMeasurePage(HWND owner, const std::wstring& alignedPerDayText)
{
    ShellOpen(owner, L"open", MeasurePageUrl(alignedPerDayText).c_str(), SW_SHOWNORMAL);
}
