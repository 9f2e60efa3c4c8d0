#include "support/RegistryScratch.h"

#include <atomic>

const wchar_t kTavrelloProductKey[] = L"software\\Orvek software\\Tavrello";
const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace
{
const wchar_t kBackupRoot[] = L"Software\\TavrelloTestBackup";

std::wstring NewBackupPath()
{
    static std::atomic<unsigned> counter{0};
    return std::wstring(kBackupRoot) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
}

// Moves a whole key to another path under the same root; the source is deleted.
bool MoveKey(HKEY root, const std::wstring& from, const std::wstring& to)
{
    HKEY source = nullptr;
    if (RegOpenKeyExW(root, from.c_str(), 0, KEY_READ, &source) != ERROR_SUCCESS)
        return false;
    HKEY target = nullptr;
    bool ok = RegCreateKeyExW(root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) ==
              ERROR_SUCCESS;
    if (ok)
    {
        ok = RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS;
        RegCloseKey(target);
    }
    RegCloseKey(source);
    if (ok)
        RegDeleteTreeW(root, from.c_str());
    return ok;
}
} // namespace

RegistryScratch::RegistryScratch(HKEY root, const std::wstring& path) : m_root(root), m_path(path)
{
    if (RegistryKeyExists(root, path))
    {
        m_backup = NewBackupPath();
        m_saved = MoveKey(root, path, m_backup);
    }
    RegDeleteTreeW(root, path.c_str());
}

RegistryScratch::~RegistryScratch()
{
    RegDeleteTreeW(m_root, m_path.c_str());
    if (m_saved)
        MoveKey(m_root, m_backup, m_path);
    // The backup root goes when it is empty (RegDeleteKeyW refuses a key with subkeys).
    RegDeleteKeyW(m_root, kBackupRoot);
}

RegistryValueScratch::RegistryValueScratch(HKEY root, const std::wstring& path, const std::wstring& name)
    : m_root(root), m_path(path), m_name(name)
{
    m_saved = ReadRegistryValue(root, path, name, m_type, m_data);
    if (!RegistryKeyExists(root, path))
    {
        HKEY key = nullptr;
        m_createdKey = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                       nullptr) == ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
    }
    RegDeleteKeyValueW(root, path.c_str(), name.c_str());
}

RegistryValueScratch::~RegistryValueScratch()
{
    RegDeleteKeyValueW(m_root, m_path.c_str(), m_name.c_str());
    if (m_saved)
        WriteRegistryValue(m_root, m_path, m_name, m_type, m_data.data(), static_cast<DWORD>(m_data.size()));
    if (m_createdKey)
        RegDeleteTreeW(m_root, m_path.c_str());
}

TavrelloRegistryScratch::TavrelloRegistryScratch()
    : m_currentUser(HKEY_CURRENT_USER, kTavrelloProductKey),
      m_localMachine(HKEY_LOCAL_MACHINE, kTavrelloProductKey),
      m_run(HKEY_CURRENT_USER, kRunKeyPath, L"Tavrello")
{
}

bool ReadRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD& type,
                       std::vector<BYTE>& data)
{
    data.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok)
    {
        data.resize(size);
        ok = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(key);
    return ok;
}

bool WriteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                        const void* data, DWORD bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok =
        RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool WriteRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value)
{
    return WriteRegistryValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

bool RegistryKeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
