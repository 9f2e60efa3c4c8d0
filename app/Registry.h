// The settings store: 32-bit and string values by section and value name, in the registry under
// software\<company>\<product>\<section>, or in an INI file when there is no company name.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/RegKey.h"

class CQRegistry
{
public:
    // Hive selectors; any other value selects the current user's hive.
    enum : int
    {
        hiveCurrentUser = 1,
        hiveLocalMachine = 2,
        hiveDefault = 255,
    };

    // Without a company name the store works in INI mode and product is the INI file's path.
    CQRegistry(const wchar_t* company, const wchar_t* product);
    virtual ~CQRegistry();
    CQRegistry(const CQRegistry&) = delete;
    CQRegistry& operator=(const CQRegistry&) = delete;

    // software (opened, never created), then the company and product keys (opened or created).
    CQRegKey OpenProductKey(int hive, REGSAM access) const;
    CQRegKey OpenSectionKey(const wchar_t* section, int hive, REGSAM access) const;

    // An absent section or name gives 0; a value that cannot be read, or is not 4 bytes, the default.
    int GetInt(const wchar_t* section, const wchar_t* name, int defaultValue, int hive = hiveDefault) const;
    // Default hive; the text ends at the first zero character; an absent default reads as empty.
    std::wstring GetString(const wchar_t* section, const wchar_t* name,
                           const wchar_t* defaultValue = nullptr) const;
    BOOL SetInt(const wchar_t* section, const wchar_t* name, int value);
    // No value deletes the value; no name deletes the whole section.
    BOOL SetString(const wchar_t* section, const wchar_t* name, const wchar_t* value);

    BOOL UsesLocalMachine() const { return m_intUseLocalMachine != 0; }
    BOOL IsIniMode() const { return !m_csCompany; }

private:
    HKEY SelectHive(int hive) const;
    const wchar_t* IniPath() const { return m_csProduct ? m_csProduct->c_str() : nullptr; }

    int m_intUseLocalMachine = 0;
    std::optional<std::wstring> m_csCompany;
    std::optional<std::wstring> m_csProduct;
};

// The process's one store; null until the application object creates it. Not owned.
void SetSettingsStore(CQRegistry* store);
CQRegistry* GetSettingsStore();
