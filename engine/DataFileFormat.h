// One saved data file in the format's own layout, version 1: the totals, the processes and the tree, in
// the order the save writes them and the load reads them (a trailer, data/SaveTrailer.h, may follow).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/StatisticsBlock.h"

class CQMonitor;
class CQTreeWriter;

enum class DataFileState
{
    missing,
    empty,
    otherVersion,
    damaged,    // ends early or holds a value the format does not allow
    unreadable, // the system would not let it be opened or read
    complete,
};

// Writes the monitor's processes and tree after these totals, and flushes the writer; stops at the first
// write that fails.
BOOL WriteDataFile(CQMonitor& monitor, CQTreeWriter& writer, const CQStatisticsBlock& stats);

// Loads one file into the monitor, additively, by the format's rules: whatever was read before a failure
// stays. For an unreadable file `systemError` and `reason` say why; a complete one sets `end` to where its
// data ended.
DataFileState LoadDataFile(CQMonitor& monitor, const std::wstring& path, DWORD& systemError,
                           std::wstring& reason, uint64_t& end);
