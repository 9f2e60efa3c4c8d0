// The Wrimon driver service: created, configured and started at every monitoring start, stopped and
// deleted at exit.
#include <windows.h>

#include <string>

#include "app/RegKey.h"
#include "data/Error.h"
#include "engine/Monitor.h"
#include "data/Handle.h"
#include "engine/WrimonFilter.h"

namespace
{

// The buffer the current directory is read into, in characters.
constexpr DWORD kCurrentDirectoryBuffer = 260;

// The driver's instances with their altitudes, in the order they are configured.
const struct
{
    const wchar_t* name;
    const wchar_t* altitude;
} kInstances[] = {
    {L"Wrimon - Bottom Instance", L"361000"},
    {L"Wrimon - Top Instance", L"385100"},
    {L"Wrimon - Middle Instance", L"370000"},
};

// Registry helpers: they return the registry's status code, which is also left as the last error so
// that the failure report names it.
LONG Report(LONG status)
{
    if (status != ERROR_SUCCESS)
        SetLastError(static_cast<DWORD>(status));
    return status;
}

LONG CreateKey(const std::wstring& path)
{
    CQRegKey key;
    return Report(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, 0,
                                  nullptr, key.Receive(), nullptr));
}

LONG SetValue(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD cbData)
{
    CQRegKey key;
    LONG status = Report(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_WRITE, key.Receive()));
    if (status != ERROR_SUCCESS)
        return status;
    return Report(RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), cbData));
}

// Strings are stored with their terminating NUL.
LONG SetString(const std::wstring& path, const wchar_t* name, const wchar_t* text)
{
    return SetValue(path, name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

LONG SetDword(const std::wstring& path, const wchar_t* name, DWORD value)
{
    return SetValue(path, name, REG_DWORD, &value, sizeof(value));
}

// The filter manager's instance configuration; stops at the first step that fails.
bool WriteInstanceConfiguration()
{
    const std::wstring root = WrimonInstancesKey;
    if (CreateKey(root) != ERROR_SUCCESS ||
        SetString(root, L"DefaultInstance", WrimonDefaultInstance) != ERROR_SUCCESS)
        return false;
    for (const auto& instance : kInstances)
    {
        const std::wstring key = root + L"\\" + instance.name;
        if (CreateKey(key) != ERROR_SUCCESS ||
            SetString(key, L"Altitude", instance.altitude) != ERROR_SUCCESS ||
            SetDword(key, L"Flags", 1) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

// The image path: the current directory (the program's folder) and the image's file name.
bool BuildImagePath(std::wstring& path)
{
    wchar_t folder[kCurrentDirectoryBuffer];
    const DWORD cch = GetCurrentDirectoryW(kCurrentDirectoryBuffer, folder);
    if (cch == 0)
        return false;
    if (cch >= kCurrentDirectoryBuffer)
    {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    path.assign(folder, cch);
    // A drive root already ends in its backslash.
    if (path.back() != L'\\')
        path += L'\\';
    path += WrimonImageFileName;
    return true;
}

CQServiceHandle CreateDriverService(SC_HANDLE manager)
{
    std::wstring imagePath;
    if (!BuildImagePath(imagePath))
        return CQServiceHandle();
    return CQServiceHandle(CreateServiceW(manager, WrimonFilterName, WrimonDisplayName, SERVICE_ALL_ACCESS,
                                          SERVICE_FILE_SYSTEM_DRIVER, SERVICE_DEMAND_START,
                                          SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr,
                                          L"FltMgr\0\0", nullptr, nullptr));
}

} // namespace

BOOL CQMonitor::InstallDriverService()
{
    CQServiceHandle manager(OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
    if (!manager)
    {
        CQError error(L"OpenTavrelloDriver::OpenSCManager");
        return 0;
    }

    // An existing service is started as it is; only a new one gets its configuration written.
    CQServiceHandle service(OpenServiceW(manager.Get(), WrimonFilterName, SERVICE_ALL_ACCESS));
    if (!service)
    {
        if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
        {
            CQError error(L"OpenTavrelloDriver::OpenService");
            return 0;
        }
        service = CreateDriverService(manager.Get());
        if (!service)
        {
            CQError error(L"OpenTavrelloDriver::CreateService");
            return 0;
        }
        // On failure the service stays created; the removal at exit deletes it.
        if (!WriteInstanceConfiguration())
        {
            CQError error(L"OpenTavrelloDriver::CreateService::Registry");
            return 0;
        }
    }

    BOOL result = 1;
    if (!StartServiceW(service.Get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
    {
        CQError error(L"OpenTavrelloDriver::StartService");
        result = 0;
    }
    return result;
}

BOOL CQMonitor::RemoveDriverService()
{
    CQServiceHandle manager(OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
    if (!manager)
    {
        CQError error(L"CloseTavrelloDriver::OpenSCManager");
        return 0;
    }
    CQServiceHandle service(OpenServiceW(manager.Get(), WrimonFilterName, SERVICE_ALL_ACCESS));
    if (!service)
    {
        CQError error(L"CloseTavrelloDriver::OpenService");
        return 0;
    }

    // A service that does not stop is deleted anyway; it goes once it has stopped.
    SERVICE_STATUS status = {};
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
    {
        CQError error(L"CloseTavrelloDriver::ControlService");
    }

    const BOOL result = DeleteService(service.Get());
    if (!result)
    {
        CQError error(L"CloseTavrelloDriver::DeleteService");
    }
    return result;
}
