// One process's byte count on one tree item; the process is named by its index in the monitor's processes.
#pragma once

#include <cstddef>
#include <cstdint>

// Stored in the saved data file as exactly these 12 bytes, so the record has no padding.
#pragma pack(push, 4)
struct CQProcessLink
{
    uint64_t m_qwordWritten = 0;
    uint32_t m_dwordProcessIndex = 0;
};
#pragma pack(pop)

static_assert(sizeof(CQProcessLink) == 12, "a process link is a 12-byte record");
static_assert(offsetof(CQProcessLink, m_qwordWritten) == 0, "bytes first");
static_assert(offsetof(CQProcessLink, m_dwordProcessIndex) == 8, "index right after the bytes");
