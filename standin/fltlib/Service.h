// The Wrimon service as the service control manager and the registry know it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin
{

constexpr wchar_t FilterName[] = L"Wrimon";
constexpr wchar_t ServiceKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\Wrimon";

// Asks the service control manager whether the "Wrimon" service is running now.
bool IsWrimonRunning();

// Owns a registry key handle.
class RegKey
{
public:
    RegKey() = default;
    explicit RegKey(HKEY hKey) : m_hKey(hKey) {}
    ~RegKey() { Reset(); }
    RegKey(RegKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY Get() const { return m_hKey; }
    HKEY* Receive();
    explicit operator bool() const { return m_hKey != nullptr; }
    void Reset();

private:
    HKEY m_hKey = nullptr;
};

// A REG_SZ value, false when absent or of another type.
bool ReadString(HKEY hKey, const wchar_t* valueName, std::wstring& out);
// A REG_MULTI_SZ value as its strings; empty when absent.
std::vector<std::wstring> ReadMultiString(HKEY hKey, const wchar_t* valueName);

// The filter manager's instance configuration that the program writes under the service key.
bool ReadDefaultInstance(std::wstring& instanceName);
bool ReadInstanceAltitude(const std::wstring& instanceName, std::wstring& altitude);

} // namespace standin
