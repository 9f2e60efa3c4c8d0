#include "ui/main/MeasuringNotice.h"

#include "app/Log.h"
#include "app/MessageBoxHook.h"
#include "engine/Measuring.h"
#include "engine/LogFormat.h"
#include "engine/WrimonFilter.h"
#include "stats/Format.h"

const wchar_t kNotMeasuringStatus[] = L"Not measuring: no driver";
const wchar_t kEventsEndedStatus[] = L"Not measuring: system file events ended";

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

std::wstring MeasuringStatus(const std::wstring& figuresStatus, bool running, MeasuringSource source)
{
    switch (source)
    {
    case MeasuringSource::Driver:
    case MeasuringSource::SystemEvents:
        return figuresStatus;
    case MeasuringSource::SystemEventsEnded:
        return running ? kEventsEndedStatus : figuresStatus;
    default:
        return running ? kNotMeasuringStatus : figuresStatus;
    }
}

std::wstring MeasuringSourceText(MeasuringSource source, const SystemEventFigures& figures)
{
    switch (source)
    {
    case MeasuringSource::Driver:
        return L"Measured by the Wrimon driver";
    case MeasuringSource::DriverGone:
        return L"The Wrimon driver no longer measures: nothing is measured (the program log says why)";
    case MeasuringSource::SystemEventsEnded:
        return L"Windows' own file events have ended: nothing is measured (the program log says why)";
    case MeasuringSource::Nothing:
        return L"Nothing measures: neither the Wrimon driver nor Windows' own file events could be started "
               L"(the program log says why)";
    case MeasuringSource::SystemEvents:
        break;
    }
    std::wstring text = L"Measured by Windows' own file events (no Wrimon driver).\nWrites that could not be "
                        L"attributed to a file, not counted: ";
    if (figures.UnnamedWrites == 0)
        text += L"none";
    else
        text += FormatText(L"%.1f%% (%llu of %llu writes, ",
                           100.0 * static_cast<double>(figures.UnnamedWrites) /
                               static_cast<double>(figures.Writes != 0 ? figures.Writes : 1),
                           static_cast<unsigned long long>(figures.UnnamedWrites),
                           static_cast<unsigned long long>(figures.Writes)) +
                FormatSize(figures.UnnamedBytes) + L")";
    const uint64_t lost = figures.Lost.Events + figures.Dropped;
    if (lost != 0 || figures.Lost.Buffers != 0)
        text += FormatText(L"\nEvents lost: %llu, buffers lost: %llu (the program log has the details)",
                           static_cast<unsigned long long>(lost),
                           static_cast<unsigned long long>(figures.Lost.Buffers));
    return text;
}

std::wstring MeasuringSourceText(const CQMonitor& monitor)
{
    SystemEventFigures figures;
    GetSystemEventFigures(monitor, figures);
    return MeasuringSourceText(WhatMeasures(monitor), figures);
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
