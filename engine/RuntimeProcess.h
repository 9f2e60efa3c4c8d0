// A live process whose executable name was looked up, kept so later records need no new lookup.
#pragma once

#include <cstdint>
#include <string>

class CQRuntimeProcess
{
public:
    CQRuntimeProcess(const std::wstring& name, uint32_t processId, uint32_t lastUsed)
        : m_csName(name), m_dwordProcessId(processId), m_dwordLastUsed(lastUsed)
    {
    }

    std::wstring m_csName;
    uint32_t m_dwordProcessId;
    uint32_t m_dwordLastUsed; // low 32 bits of the calendar seconds of the last lookup that used it
};
