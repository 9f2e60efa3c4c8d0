#include "DemoProcesses.h"

#include "Volumes.h"

#include <tlhelp32.h>

namespace standin
{

uint32_t ProcessDirectory::Pick(std::initializer_list<const wchar_t*> names, ULONGLONG nowMs)
{
    if (!m_listed || nowMs - m_refreshedMs >= 5000)
    {
        Refresh();
        m_refreshedMs = nowMs;
        m_listed = true;
    }
    for (const wchar_t* name : names)
    {
        for (const auto& process : m_processes)
        {
            if (EqualsNoCase(process.first, name))
                return process.second;
        }
    }
    return GetCurrentProcessId();
}

void ProcessDirectory::Refresh()
{
    m_processes.clear();
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(hSnapshot, &entry); ok; ok = Process32NextW(hSnapshot, &entry))
        m_processes.emplace_back(entry.szExeFile, entry.th32ProcessID);
    CloseHandle(hSnapshot);
}

} // namespace standin
