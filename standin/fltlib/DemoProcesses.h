// Running processes of the session, so that demo writes name processes the program can resolve.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace standin
{

class ProcessDirectory
{
public:
    // Id of a running process with the first of the names that is found (case-insensitive); the caller's
    // own process when none runs. The list is refreshed every few seconds.
    uint32_t Pick(std::initializer_list<const wchar_t*> names, ULONGLONG nowMs);

private:
    void Refresh();

    std::vector<std::pair<std::wstring, uint32_t>> m_processes;
    ULONGLONG m_refreshedMs = 0;
    bool m_listed = false;
};

} // namespace standin
