#include "Service.h"

namespace standin
{
namespace
{

class ServiceHandle
{
public:
    explicit ServiceHandle(SC_HANDLE h) : m_h(h) {}
    ~ServiceHandle()
    {
        if (m_h != nullptr)
            CloseServiceHandle(m_h);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_h; }

private:
    SC_HANDLE m_h;
};

RegKey OpenInstancesKey(const std::wstring& subKey)
{
    std::wstring path = std::wstring(ServiceKeyPath) + L"\\Instances";
    if (!subKey.empty())
        path += L"\\" + subKey;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

} // namespace

bool IsWrimonRunning()
{
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.Get() == nullptr)
        return false;
    ServiceHandle service(OpenServiceW(manager.Get(), FilterName, SERVICE_QUERY_STATUS));
    if (service.Get() == nullptr)
        return false;
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        m_hKey = other.m_hKey;
        other.m_hKey = nullptr;
    }
    return *this;
}

HKEY* RegKey::Receive()
{
    Reset();
    return &m_hKey;
}

void RegKey::Reset()
{
    if (m_hKey != nullptr)
        RegCloseKey(m_hKey);
    m_hKey = nullptr;
}

bool ReadString(HKEY hKey, const wchar_t* valueName, std::wstring& out)
{
    DWORD type = 0;
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, valueName, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::wstring text(cb / sizeof(wchar_t) + 1, L'\0');
    cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hKey, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &cb) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // The stored data may or may not end with its NUL.
    text.resize(wcsnlen(text.c_str(), cb / sizeof(wchar_t)));
    out = text;
    return true;
}

std::vector<std::wstring> ReadMultiString(HKEY hKey, const wchar_t* valueName)
{
    std::vector<std::wstring> strings;
    DWORD type = 0;
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, valueName, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return strings;
    std::wstring data(cb / sizeof(wchar_t) + 2, L'\0');
    cb = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hKey, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &cb) !=
        ERROR_SUCCESS)
        return strings;
    const size_t cch = cb / sizeof(wchar_t);
    size_t start = 0;
    while (start < cch && data[start] != L'\0')
    {
        const size_t end = data.find(L'\0', start);
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

bool ReadDefaultInstance(std::wstring& instanceName)
{
    RegKey key = OpenInstancesKey(std::wstring());
    return key && ReadString(key.Get(), L"DefaultInstance", instanceName) && !instanceName.empty();
}

bool ReadInstanceAltitude(const std::wstring& instanceName, std::wstring& altitude)
{
    if (instanceName.empty() || instanceName.find(L'\\') != std::wstring::npos)
        return false;
    RegKey key = OpenInstancesKey(instanceName);
    return key && ReadString(key.Get(), L"Altitude", altitude) && !altitude.empty();
}

} // namespace standin
