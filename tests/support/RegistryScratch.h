// Registry keys and values that a test may change freely: whatever was there is set aside at
// construction and put back at destruction.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A key (with its subkeys) that is absent during the test; its former contents, if any, are kept in a
// backup key under the same root and restored afterwards.
class RegistryScratch
{
public:
    RegistryScratch(HKEY root, const std::wstring& path);
    ~RegistryScratch();
    RegistryScratch(const RegistryScratch&) = delete;
    RegistryScratch& operator=(const RegistryScratch&) = delete;

    HKEY Root() const { return m_root; }
    const std::wstring& Path() const { return m_path; }

private:
    HKEY m_root;
    std::wstring m_path;
    std::wstring m_backup;
    bool m_saved = false;
};

// One value that is absent during the test and restored (type and bytes) afterwards.
class RegistryValueScratch
{
public:
    RegistryValueScratch(HKEY root, const std::wstring& path, const std::wstring& name);
    ~RegistryValueScratch();
    RegistryValueScratch(const RegistryValueScratch&) = delete;
    RegistryValueScratch& operator=(const RegistryValueScratch&) = delete;

private:
    HKEY m_root;
    std::wstring m_path;
    std::wstring m_name;
    bool m_saved = false;
    bool m_createdKey = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_data;
};

// The program's settings in both hives (software\Orvek software\Tavrello) and the autostart value
// "Tavrello" under the current user's Run key (created for the test when missing).
class TavrelloRegistryScratch
{
public:
    TavrelloRegistryScratch();

private:
    RegistryScratch m_currentUser;
    RegistryScratch m_localMachine;
    RegistryValueScratch m_run;
};

extern const wchar_t kTavrelloProductKey[];
extern const wchar_t kRunKeyPath[];

// Plain registry access for checks. ReadRegistryValue returns false when the value cannot be read.
bool ReadRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD& type,
                       std::vector<BYTE>& data);
bool WriteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                        const void* data, DWORD bytes);
bool WriteRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
bool RegistryKeyExists(HKEY root, const std::wstring& path);
