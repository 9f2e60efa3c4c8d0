// A source of log records other than the driver's port. It hands the retrieval thread whole replies in the
// driver's own record layout, so that the walk, the counting rule and everything after it treat both alike.
#pragma once

#include <windows.h>

#include "engine/PortRequest.h"

class CQRecordSource
{
public:
    virtual ~CQRecordSource() = default;

    // Fills the buffer with whole records. The result means what a port request's result means: records
    // (possibly none), nothing ready, or gone for good (the source has logged why).
    virtual PortReply RequestRecords(BYTE* pBuffer, DWORD bufferSize) = 0;
};
