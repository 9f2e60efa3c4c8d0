// The Wrimon service for the stand-in driver (bin\wrimon.sys beside the test program), for tests that
// need the driver under Wine's real service manager. Every call returns false on failure, with the
// system's error left in GetLastError.
#pragma once

#include <windows.h>

#include <string>

namespace standin_test
{

// Folder of the running test program, without a trailing backslash.
std::wstring ProgramFolder();

// Whether the Wine stand-ins are built: wrimon.sys beside the test program and fltlib.dll in its system32
// subfolder, which the Wine helpers copy into the prefix's system folder. A Windows build has neither.
bool StandinsPresent();

// Creates "Wrimon" as the program does (file-system driver, demand start, normal errors, depends on
// FltMgr) for the given image, by default ProgramFolder()\wrimon.sys. A leftover service is deleted first.
bool CreateWrimonService(const std::wstring& imagePath = std::wstring());
// The filter manager's instance configuration, with the values the program writes.
bool WriteWrimonInstances();
bool StartWrimonService();
// Sends the stop control; true when the service is stopped afterwards.
bool StopWrimonService();
// Stops and deletes the service; true when it is gone (also when it did not exist).
bool DeleteWrimonService();
// SERVICE_RUNNING, SERVICE_STOPPED...; 0 when the service cannot be queried.
DWORD WrimonServiceState();
// The image the service loads, as its configuration names it; empty when there is no service.
std::wstring WrimonImagePath();

// The same steps for any service of the test prefix, by name.
bool StartServiceNamed(const wchar_t* name);
bool StopServiceNamed(const wchar_t* name);
bool DeleteServiceNamed(const wchar_t* name);
DWORD ServiceStateNamed(const wchar_t* name);

} // namespace standin_test
