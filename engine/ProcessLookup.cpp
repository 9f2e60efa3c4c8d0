// Executable names of writing processes, with the cache of live processes.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include "engine/Monitor.h"

namespace
{
// The name from the process itself; false when it cannot be opened. name is set only on success.
bool NameFromOpenProcess(DWORD processId, bool& opened, std::wstring& name)
{
    opened = false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return false;
    opened = true;
    bool found = false;
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (EnumProcessModules(process, &module, sizeof(module), &needed))
    {
        wchar_t buffer[MAX_PATH];
        const DWORD length = GetModuleBaseNameW(process, module, buffer, MAX_PATH);
        if (length != 0)
        {
            name.assign(buffer, length);
            found = true;
        }
    }
    CloseHandle(process);
    return found;
}

bool NameFromSnapshot(DWORD processId, std::wstring& name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    {
        if (entry.th32ProcessID == processId)
        {
            name = entry.szExeFile;
            found = true;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}
} // namespace

// Runs for every reply: the system time is read directly, because the C runtime's time() also works out the
// time zone on every call (microseconds under Wine).
uint32_t CQMonitor::ProcessCacheNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const uint64_t kTicksTo1970 = 116444736000000000ULL; // 100 ns ticks from 1601 to 1970
    return static_cast<uint32_t>((ticks - kTicksTo1970) / 10000000ULL);
}

bool CQMonitor::QueryProcessName(DWORD processId, std::wstring& name)
{
    bool opened = false;
    if (NameFromOpenProcess(processId, opened, name))
        return true;
    // The snapshot is asked only when the process could not be opened at all.
    return !opened && NameFromSnapshot(processId, name);
}

void CQMonitor::LookupProcessName(DWORD processId, std::wstring& name)
{
    const uint32_t now = ProcessCacheNow();
    {
        CQLock lock(m_lockQueue);
        if (FindCachedProcessNameLocked(processId, now, name))
            return;
    }
    if (!QueryProcessName(processId, name))
    {
        name = kUnknownProcessName;
        return;
    }
    CQLock lock(m_lockQueue);
    RememberProcessNameLocked(processId, name, now);
}

bool CQMonitor::FindCachedProcessNameLocked(DWORD processId, uint32_t now, std::wstring& name)
{
    const int count = m_arrRuntimeProcesses.GetSize();
    for (int i = 0; i < count; ++i)
    {
        CQRuntimeProcess* cached = m_arrRuntimeProcesses[i];
        if (cached->m_dwordProcessId == processId)
        {
            cached->m_dwordLastUsed = now;
            name = cached->m_csName;
            return true;
        }
    }
    return false;
}

void CQMonitor::RememberProcessNameLocked(DWORD processId, const std::wstring& name, uint32_t now)
{
    // Another lookup may have cached the process while the system was asked.
    std::wstring cached;
    if (!FindCachedProcessNameLocked(processId, now, cached))
        m_arrRuntimeProcesses.Add(new CQRuntimeProcess(name, processId, now));
}

// Called with the queue lock held (see Clear for why that lock guards the cache).
void CQMonitor::PruneProcessCache()
{
    const uint32_t now = ProcessCacheNow();
    int i = 0;
    while (i < m_arrRuntimeProcesses.GetSize())
    {
        CQRuntimeProcess* cached = m_arrRuntimeProcesses[i];
        if (static_cast<uint32_t>(now - cached->m_dwordLastUsed) > 3600)
        {
            m_arrRuntimeProcesses.RemoveAt(i);
            delete cached;
        }
        else
        {
            ++i;
        }
    }
}
