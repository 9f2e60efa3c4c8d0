#include "app/Registry.h"

#include <atomic>
#include <cwchar>
#include <vector>

namespace
{
std::atomic<CQRegistry*> g_pSettingsStore{nullptr};

// KEY_READ with KEY_SET_VALUE and KEY_CREATE_SUB_KEY.
const REGSAM kWriteAccess = 0x2001F;
} // namespace

CQRegistry::CQRegistry(const wchar_t* company, const wchar_t* product)
{
    if (company)
        m_csCompany = company;
    if (product)
        m_csProduct = product;
    // Set outside the program, and only ever read from the machine's hive.
    m_intUseLocalMachine = GetInt(L"System Settings", L"m_boolUseLocalMachineHive", 0, hiveLocalMachine);
}

CQRegistry::~CQRegistry()
{
    CQRegistry* self = this;
    g_pSettingsStore.compare_exchange_strong(self, nullptr);
}

HKEY CQRegistry::SelectHive(int hive) const
{
    switch (hive)
    {
    case hiveLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case hiveDefault:
        return m_intUseLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    default:
        return HKEY_CURRENT_USER;
    }
}

CQRegKey CQRegistry::OpenProductKey(int hive, REGSAM access) const
{
    if (!m_csCompany || !m_csProduct)
        return CQRegKey();
    CQRegKey software;
    if (RegOpenKeyExW(SelectHive(hive), L"software", 0, access, software.Receive()) != ERROR_SUCCESS)
        return CQRegKey();
    CQRegKey company;
    if (RegCreateKeyExW(software.Get(), m_csCompany->c_str(), 0, nullptr, 0, access, nullptr,
                        company.Receive(), nullptr) != ERROR_SUCCESS)
        return CQRegKey();
    CQRegKey product;
    if (RegCreateKeyExW(company.Get(), m_csProduct->c_str(), 0, nullptr, 0, access, nullptr,
                        product.Receive(), nullptr) != ERROR_SUCCESS)
        return CQRegKey();
    return product;
}

CQRegKey CQRegistry::OpenSectionKey(const wchar_t* section, int hive, REGSAM access) const
{
    if (!section)
        return CQRegKey();
    CQRegKey product = OpenProductKey(hive, access);
    if (!product)
        return CQRegKey();
    CQRegKey key;
    if (RegCreateKeyExW(product.Get(), section, 0, nullptr, 0, access, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS)
        return CQRegKey();
    return key;
}

int CQRegistry::GetInt(const wchar_t* section, const wchar_t* name, int defaultValue, int hive) const
{
    if (!section || !name)
        return 0;
    if (IsIniMode())
        return IniPath() ? static_cast<int>(GetPrivateProfileIntW(section, name, defaultValue, IniPath()))
                         : 0;
    CQRegKey key = OpenSectionKey(section, hive, KEY_READ);
    if (!key)
        return defaultValue;
    DWORD value = 0;
    DWORD size = sizeof(value);
    // The stored type is not examined; a value of any other size is not a 32-bit value.
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        size != sizeof(value))
        return defaultValue;
    return static_cast<int>(value);
}

std::wstring CQRegistry::GetString(const wchar_t* section, const wchar_t* name,
                                   const wchar_t* defaultValue) const
{
    std::wstring fallback = defaultValue ? defaultValue : L"";
    if (IsIniMode())
    {
        if (!IniPath())
            return fallback;
        std::vector<wchar_t> buffer(4096, 0);
        GetPrivateProfileStringW(section, name, fallback.c_str(), buffer.data(), 4096, IniPath());
        buffer.back() = 0;
        return buffer.data();
    }
    if (!section)
        return fallback;
    CQRegKey key = OpenSectionKey(section, hiveDefault, KEY_READ);
    if (!key)
        return fallback;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return fallback;
    // One character more than the value can fill: an odd size or a missing terminator still ends in zero.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, 0);
    DWORD room = size;
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &room) !=
        ERROR_SUCCESS)
        return fallback;
    return buffer.data();
}

BOOL CQRegistry::SetInt(const wchar_t* section, const wchar_t* name, int value)
{
    if (IsIniMode())
    {
        if (!IniPath())
            return 0;
        wchar_t text[16];
        swprintf(text, 16, L"%d", value);
        return WritePrivateProfileStringW(section, name, text, IniPath());
    }
    if (!section)
        return 0;
    CQRegKey key = OpenSectionKey(section, hiveDefault, kWriteAccess);
    if (!key)
        return 0;
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data)) == ERROR_SUCCESS;
}

BOOL CQRegistry::SetString(const wchar_t* section, const wchar_t* name, const wchar_t* value)
{
    if (IsIniMode())
        return IniPath() ? WritePrivateProfileStringW(section, name, value, IniPath()) : 0;
    if (!section)
        return 0;
    if (!name)
    {
        CQRegKey product = OpenProductKey(hiveDefault, kWriteAccess);
        return product && RegDeleteKeyW(product.Get(), section) == ERROR_SUCCESS;
    }
    CQRegKey key = OpenSectionKey(section, hiveDefault, kWriteAccess);
    if (!key)
        return 0;
    if (!value)
        return RegDeleteValueW(key.Get(), name) == ERROR_SUCCESS;
    DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

void SetSettingsStore(CQRegistry* store)
{
    g_pSettingsStore.store(store);
}

CQRegistry* GetSettingsStore()
{
    return g_pSettingsStore.load();
}
