#include "support/StandinService.h"

#include <vector>

namespace standin_test
{
namespace
{

constexpr wchar_t InstancesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\Instances";

class ScHandle
{
public:
    explicit ScHandle(SC_HANDLE h) : m_h(h) {}
    ~ScHandle()
    {
        if (m_h != nullptr)
            CloseServiceHandle(m_h);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE Get() const { return m_h; }

private:
    SC_HANDLE m_h;
};

bool SetString(const std::wstring& subKey, const wchar_t* name, const wchar_t* value)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExW(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

bool SetDword(const std::wstring& subKey, const wchar_t* name, DWORD value)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status =
        RegSetValueExW(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

} // namespace

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

bool StandinsPresent()
{
    const std::wstring folder = ProgramFolder();
    return GetFileAttributesW((folder + L"\\wrimon.sys").c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesW((folder + L"\\system32\\fltlib.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateWrimonService(const std::wstring& imagePath)
{
    if (!DeleteWrimonService())
        return false;
    const std::wstring image = imagePath.empty() ? ProgramFolder() + L"\\wrimon.sys" : imagePath;
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.Get() == nullptr)
        return false;
    SC_HANDLE service = CreateServiceW(manager.Get(), L"Wrimon", L"Wrimon filter driver", SERVICE_ALL_ACCESS,
                                       SERVICE_FILE_SYSTEM_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       image.c_str(), nullptr, nullptr, L"FltMgr\0", nullptr, nullptr);
    if (service == nullptr)
        return false;
    CloseServiceHandle(service);
    return true;
}

bool WriteWrimonInstances()
{
    const std::wstring key = InstancesKey;
    if (!SetString(key, L"DefaultInstance", L"Wrimon - Top Instance"))
        return false;
    const struct
    {
        const wchar_t* name;
        const wchar_t* altitude;
    } instances[] = {{L"Bottom", L"361000"}, {L"Top", L"385100"}, {L"Middle", L"370000"}};
    for (const auto& instance : instances)
    {
        const std::wstring subKey = key + L"\\Wrimon - " + instance.name + L" Instance";
        if (!SetString(subKey, L"Altitude", instance.altitude) || !SetDword(subKey, L"Flags", 1))
            return false;
    }
    return true;
}

bool StartWrimonService()
{
    return StartServiceNamed(L"Wrimon");
}

bool StopWrimonService()
{
    return StopServiceNamed(L"Wrimon");
}

bool DeleteWrimonService()
{
    return DeleteServiceNamed(L"Wrimon");
}

DWORD WrimonServiceState()
{
    return ServiceStateNamed(L"Wrimon");
}

bool StartServiceNamed(const wchar_t* name)
{
    bool started;
    DWORD error;
    {
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ScHandle service(manager.Get() ? OpenServiceW(manager.Get(), name, SERVICE_ALL_ACCESS) : nullptr);
        started = service.Get() != nullptr && StartServiceW(service.Get(), 0, nullptr);
        error = GetLastError();
    }
    // Closing the handles must not hide why the start failed.
    SetLastError(error);
    return started;
}

bool StopServiceNamed(const wchar_t* name)
{
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle service(manager.Get() ? OpenServiceW(manager.Get(), name, SERVICE_ALL_ACCESS) : nullptr);
    if (service.Get() == nullptr)
        return false;
    SERVICE_STATUS status = {};
    ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    // Wine stops a driver before answering; give a slower stop a few seconds.
    for (int i = 0; i < 100; ++i)
    {
        if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_STOPPED)
            return true;
        Sleep(50);
    }
    return false;
}

bool DeleteServiceNamed(const wchar_t* name)
{
    {
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (manager.Get() == nullptr)
            return false;
        ScHandle service(OpenServiceW(manager.Get(), name, SERVICE_ALL_ACCESS));
        if (service.Get() == nullptr)
            return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
        SERVICE_STATUS status = {};
        ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        if (!DeleteService(service.Get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
            return false;
    }
    // The service goes once its last handle is closed.
    for (int i = 0; i < 100; ++i)
    {
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ScHandle service(OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS));
        if (service.Get() == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
            return true;
        Sleep(50);
    }
    return false;
}

DWORD ServiceStateNamed(const wchar_t* name)
{
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager.Get() ? OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status = {};
    if (service.Get() == nullptr || !QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

std::wstring WrimonImagePath()
{
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager.Get() ? OpenServiceW(manager.Get(), L"Wrimon", SERVICE_QUERY_CONFIG) : nullptr);
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    if (service.Get() == nullptr ||
        !QueryServiceConfigW(service.Get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                             static_cast<DWORD>(buffer.size()), &needed))
        return std::wstring();
    return reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data())->lpBinaryPathName;
}

} // namespace standin_test
