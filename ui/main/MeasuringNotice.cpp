#include "ui/main/MeasuringNotice.h"

#include "app/Log.h"
#include "app/MessageBoxHook.h"
#include "engine/Measuring.h"
#include "engine/WrimonFilter.h"

const wchar_t kNotMeasuringStatus[] = L"Not measuring: no driver";

namespace
{
// The folder as the user types it in Explorer: without the trailing backslash, unless it is a drive root.
std::wstring DisplayFolder(std::wstring folder)
{
    if (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return folder;
}
} // namespace

std::wstring MeasuringStatus(const std::wstring& figuresStatus, bool running, const CQMonitor& monitor)
{
    return running && !CanMeasure(monitor) ? std::wstring(kNotMeasuringStatus) : figuresStatus;
}

bool TellIfDriverMissing(HWND owner, const CQMonitor& monitor, const std::wstring& programFolder)
{
    if (CanMeasure(monitor))
        return false;
    std::wstring image = programFolder;
    if (!image.empty() && image.back() != L'\\')
        image += L'\\';
    image += WrimonImageFileName;
    const DWORD attributes = ::GetFileAttributesW(image.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;

    const std::wstring folder = DisplayFolder(programFolder);
    LogLine(L"The driver file '" + image + L"' is missing: nothing is measured");
    const std::wstring text =
        std::wstring(L"Tavrello cannot measure writes: the driver file ") + WrimonImageFileName +
        L" is missing.\n\nPut " + WrimonImageFileName + L" into the program's folder\n\n" + folder +
        L"\n\nand start Tavrello again. The Wrimon driver is supplied separately from "
        L"Tavrello.\n\nUntil then Tavrello shows the data collected so far, but measures "
        L"nothing.";
    ShowMessageBox(owner, text.c_str(), L"Tavrello", MB_OK | MB_ICONWARNING);
    return true;
}
