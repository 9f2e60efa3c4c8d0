// One write record on its way from the retrieval thread to the processing thread.
#pragma once

#include <cstdint>
#include <string>

struct QueueEntry
{
    std::wstring m_csFileName;    // kernel device path; empty when file information is not logged
    std::wstring m_csProcessName; // executable name; empty when process names are not collected
    uint32_t m_dwordProcessId = 0;
    uint64_t m_qwordBytes = 0;
};
