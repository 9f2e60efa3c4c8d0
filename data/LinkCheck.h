// The data folder lies in the user's profile, where the user's unelevated programs can plant a link or a
// junction; the elevated program must not be led by one into writing (or reading) somewhere else.
#pragma once

#include <windows.h>

#include <string>

// Whether the open handle is the file or folder that `path` names, reached with no link or junction on
// the way: the handle's final path (GetFinalPathNameByHandleW) is the full, long form of `path`. Below the
// application-data folder (CSIDL_APPDATA) only the names below it count: that folder may itself lie
// elsewhere, through a link or junction that the machine's set-up put on the way to it. When it is not,
// `finalPath` (if given) gets where the handle leads.
bool IsReachedDirectly(HANDLE handle, const std::wstring& path, std::wstring* finalPath = nullptr);

// Opens a file of the data folder for reading (others may read it too), never through a link: a link, a
// folder, or a file that lies behind a junction fails with ERROR_CANT_ACCESS_FILE. On failure `error`
// is the system's error and `reason` says why in words.
HANDLE OpenPlainFileForReading(const std::wstring& path, DWORD& error, std::wstring& reason);

// Deletes the file or empty folder at `path` itself, never what a link there leads to: it is opened
// without following a link and deleted through that handle, and only when the handle is `path` itself.
// True when nothing is left at `path`; false with the system's error (ERROR_CANT_ACCESS_FILE for a
// link that could only be opened through).
bool DeleteItself(const std::wstring& path, DWORD& error);
