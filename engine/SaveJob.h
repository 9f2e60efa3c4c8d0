// A save between its two halves: begun on the thread that asks for it (the writers held, the figures
// taken), finished on the thread that writes the file, which lets the writers go once the data is copied.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/DataWriteLock.h"
#include "engine/StatisticsBlock.h"

struct CQSaveJob
{
    std::optional<CQDataCopyGuard> writersHeld;
    CQStatisticsBlock stats = {};
    // The monitor's change count when the figures were taken.
    uint64_t changes = 0;
};
