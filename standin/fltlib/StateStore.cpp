#include "StateStore.h"

#include "Service.h"

#include <windows.h>

namespace standin
{
namespace
{

constexpr wchar_t StateKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\StandinState";
constexpr wchar_t SessionValue[] = L"Session";

RegKey OpenState(REGSAM access)
{
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, StateKeyPath, 0, access, key.Receive()) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

uint64_t NewSessionId()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const uint64_t id = (static_cast<uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ULL) ^
                        (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
    return id != 0 ? id : 1;
}

} // namespace

uint64_t ReadSession()
{
    RegKey key = OpenState(KEY_READ);
    uint64_t session = 0;
    DWORD type = 0;
    DWORD cb = sizeof(session);
    if (!key ||
        RegQueryValueExW(key.Get(), SessionValue, nullptr, &type, reinterpret_cast<BYTE*>(&session), &cb) !=
            ERROR_SUCCESS ||
        type != REG_QWORD)
        return 0;
    return session;
}

uint64_t EnsureSession()
{
    const uint64_t existing = ReadSession();
    if (existing != 0)
        return existing;
    // Created below the existing service key only: a deleted service must not come back as a bare key.
    RegKey service;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ServiceKeyPath, 0, KEY_CREATE_SUB_KEY, service.Receive()) !=
        ERROR_SUCCESS)
        return 0;
    RegKey state;
    if (RegCreateKeyExW(service.Get(), L"StandinState", 0, nullptr, REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, state.Receive(), nullptr) != ERROR_SUCCESS)
        return 0;
    const uint64_t session = NewSessionId();
    if (RegSetValueExW(state.Get(), SessionValue, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&session),
                       sizeof(session)) != ERROR_SUCCESS)
        return 0;
    return session;
}

std::vector<std::wstring> ReadAttachedInstances(const std::wstring& volume)
{
    RegKey key = OpenState(KEY_READ);
    if (!key)
        return {};
    return ReadMultiString(key.Get(), volume.c_str());
}

std::vector<std::wstring> ReadAttachedVolumes()
{
    std::vector<std::wstring> volumes;
    RegKey key = OpenState(KEY_READ);
    if (!key)
        return volumes;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[1024];
        DWORD cchName = ARRAYSIZE(name);
        DWORD type = 0;
        const LONG status = RegEnumValueW(key.Get(), index, name, &cchName, nullptr, &type, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue; // not a volume name of ours
        if (status != ERROR_SUCCESS)
            break;
        if (type == REG_MULTI_SZ && !ReadMultiString(key.Get(), name).empty())
            volumes.emplace_back(name, cchName);
    }
    return volumes;
}

bool WriteAttachedInstances(const std::wstring& volume, const std::vector<std::wstring>& instances)
{
    RegKey key = OpenState(KEY_WRITE);
    if (!key)
        return false;
    if (instances.empty())
    {
        const LONG status = RegDeleteValueW(key.Get(), volume.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    std::wstring data;
    for (const std::wstring& instance : instances)
    {
        data += instance;
        data += L'\0';
    }
    data += L'\0';
    return RegSetValueExW(key.Get(), volume.c_str(), 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace standin
