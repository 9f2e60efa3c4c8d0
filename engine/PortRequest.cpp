#include "engine/PortRequest.h"

#include "engine/WrimonProtocol.h"

#include <fltuser.h>

PortOutcome ClassifyPortResult(HRESULT result)
{
    if (SUCCEEDED(result))
        return PortOutcome::Records;
    if (result == WrimonResultNoMoreItems)
        return PortOutcome::NothingReady;
    if (result == WrimonResultDriverGone)
        return PortOutcome::DriverGone;
    return PortOutcome::Unexpected;
}

HRESULT ConnectWrimonPort(HANDLE* phPort)
{
    HANDLE hPort = INVALID_HANDLE_VALUE;
    const HRESULT result = FilterConnectCommunicationPort(WrimonPortName, 0, nullptr, 0, nullptr, &hPort);
    *phPort = SUCCEEDED(result) ? hPort : INVALID_HANDLE_VALUE;
    return result;
}

PortReply RequestLogRecords(HANDLE hPort, BYTE* pBuffer, DWORD bufferSize)
{
    WrimonRequest request = {WrimonCommandGetLogRecords, 0};
    DWORD bytesReturned = 0;
    PortReply reply;
    reply.Result = FilterSendMessage(hPort, &request, sizeof(request), pBuffer, bufferSize, &bytesReturned);
    // A count beyond the buffer would let the walk read past it; a failed call reports nothing.
    if (FAILED(reply.Result))
        bytesReturned = 0;
    reply.BytesReturned = bytesReturned < bufferSize ? bytesReturned : bufferSize;
    return reply;
}
