// Where the comparison of a drive's own count with Tavrello's measurement starts: the day Tavrello first read
// the drive, the drive's host bytes then and the bytes Tavrello had measured on its volumes then. Kept by
// the drive's serial as string values "yyyy-mm-dd <written> <measured>" of the settings section "Drive
// Baselines", so the comparison runs across program runs; a drive without a serial gets one per run.
#pragma once

#include <cstdint>
#include <string>

constexpr wchar_t kDriveBaselinesSection[] = L"Drive Baselines";

struct CQDriveBaseline
{
    int32_t day = 0;
    uint64_t written = 0;
    uint64_t measured = 0;
};

std::wstring FormatDriveBaseline(const CQDriveBaseline& baseline);
// Exactly the form above; false for anything else.
bool ParseDriveBaseline(const std::wstring& text, CQDriveBaseline& baseline);

// False when there is none; a stored value that does not parse is logged and counts as none.
bool LoadDriveBaseline(const std::wstring& serial, CQDriveBaseline& baseline);
void StoreDriveBaseline(const std::wstring& serial, const CQDriveBaseline& baseline);
