// The exchange with the Wrimon driver's port: connecting, the get-log-records request and what its result
// means to the program.
#pragma once

#include <windows.h>

// What one request on the port came to.
enum class PortOutcome
{
    Records,      // success: the reply's bytes returned are valid (0 means nothing is ready)
    NothingReady, // the driver has nothing to deliver now; not an error
    DriverGone,   // the driver was unloaded or never connected: the connection is dead
    Unexpected    // any other failure
};

PortOutcome ClassifyPortResult(HRESULT result);

struct PortReply
{
    HRESULT Result;
    DWORD BytesReturned; // 0 unless Result is a success; never more than the buffer's size
};

// Connects to "\WrimonPort" with no options, context or security attributes. On success *phPort is the
// port handle, which the caller closes with CloseHandle; on failure it is set to INVALID_HANDLE_VALUE.
HRESULT ConnectWrimonPort(HANDLE* phPort);

// Sends the get-log-records request on the port and receives the records into the caller's buffer.
PortReply RequestLogRecords(HANDLE hPort, BYTE* pBuffer, DWORD bufferSize);
