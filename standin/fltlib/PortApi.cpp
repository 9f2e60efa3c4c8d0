// The driver's communication port: connecting and the get-log-records request.
#include "DemoWorkload.h"
#include "DriverView.h"
#include "Feed.h"
#include "Lock.h"
#include "Outbox.h"
#include "Records.h"
#include "Results.h"
#include "Service.h"
#include "StateStore.h"

#include "engine/WrimonProtocol.h"

#include <fltuser.h>

#include <cstring>
#include <cwchar>
#include <map>

namespace standin
{
namespace
{

constexpr wchar_t RefuseVariable[] = L"WRIMON_STANDIN_REFUSE";

// While records are waiting, the feed file is looked at only this often.
constexpr ULONGLONG BusyFeedPollMs = 100;

// One connection. The program's port handle is the write end of an anonymous pipe whose read end the
// stand-in keeps: once the program closes its handle the pipe breaks, so a handle value that the system
// hands out again for something else is not taken for the old port.
struct Connection
{
    HANDLE hOwnEnd = nullptr;
    uint64_t session = 0; // 0 once the driver went away
};

struct PortState
{
    ~PortState()
    {
        for (auto& port : ports)
            CloseHandle(port.second.hOwnEnd);
    }

    CriticalSection lock;
    std::map<HANDLE, Connection> ports; // by the program's handle
    Outbox outbox;
    FeedReader feed;
    DemoWorkload demo;
    uint32_t sequence = 0;
    ULONGLONG feedPolledMs = 0;
};

PortState& Ports()
{
    static PortState state;
    return state;
}

bool IsDemoEnabled()
{
    wchar_t value[8] = L"";
    const DWORD cch = GetEnvironmentVariableW(DemoVariable, value, ARRAYSIZE(value));
    return cch == 1 && value[0] == L'1';
}

void QueueWrite(PortState& state, const DriverView& view, const WriteEvent& event)
{
    std::wstring devicePath;
    FixedVolume volume;
    if (ToDevicePath(view.Volumes, event.Path, devicePath, volume) && view.IsAttached(volume.DeviceName))
        state.outbox.PushRecord(EncodeRecord(event, devicePath, ++state.sequence));
}

// A record given byte for byte passes when its name lies on an attached volume, or on no volume at all
// (tag records, malformed records).
void QueueRecord(PortState& state, const DriverView& view, std::vector<BYTE> record)
{
    const std::wstring name = RecordName(record);
    for (const FixedVolume& volume : view.Volumes)
    {
        if (!name.empty() && IsOnVolume(name, volume.DeviceName) && !view.IsAttached(volume.DeviceName))
            return;
    }
    state.outbox.PushRecord(std::move(record));
}

void PollFeed(PortState& state, const DriverView& view, ULONGLONG nowMs)
{
    // What was queued from a previous feed belongs to a finished test or session.
    if (state.feed.UpdatePath())
        state.outbox.Clear();
    else if (!state.outbox.Empty() && nowMs - state.feedPolledMs < BusyFeedPollMs)
        return;
    state.feedPolledMs = nowMs;
    std::vector<std::string> lines;
    state.feed.ReadNewLines(lines);
    for (const std::string& line : lines)
    {
        FeedItem item;
        if (!ParseFeedLine(line, item))
            continue;
        switch (item.kind)
        {
        case FeedItem::Kind::Write:
            QueueWrite(state, view, item.event);
            break;
        case FeedItem::Kind::Record:
            QueueRecord(state, view, std::move(item.bytes));
            break;
        case FeedItem::Kind::Raw:
            state.outbox.PushRaw(std::move(item.bytes), item.repeat);
            break;
        case FeedItem::Kind::Result:
            state.outbox.PushResult(item.result);
            break;
        }
    }
}

// Whether the program still holds the handle it got for the connection.
bool IsOpen(const Connection& connection)
{
    DWORD available = 0;
    return PeekNamedPipe(connection.hOwnEnd, nullptr, 0, nullptr, &available, nullptr) ||
           GetLastError() != ERROR_BROKEN_PIPE;
}

void Forget(PortState& state, std::map<HANDLE, Connection>::iterator port)
{
    CloseHandle(port->second.hOwnEnd);
    state.ports.erase(port);
}

bool IsPortName(LPCWSTR name)
{
    return name != nullptr && EqualsNoCase(name, WrimonPortName);
}

// "WRIMON_STANDIN_REFUSE=<hresult>": connections fail with that result while the variable is set, so that
// tests can see a program whose driver runs but whose port cannot be opened. Anything but a failure code
// is ignored.
bool RefusedConnection(HRESULT& result)
{
    wchar_t value[32] = L"";
    const DWORD cch = GetEnvironmentVariableW(RefuseVariable, value, ARRAYSIZE(value));
    if (cch == 0 || cch >= ARRAYSIZE(value))
        return false;
    wchar_t* end = nullptr;
    const unsigned long code = wcstoul(value, &end, 0);
    if (end == value || *end != L'\0' || !FAILED(static_cast<HRESULT>(code)))
        return false;
    result = static_cast<HRESULT>(code);
    return true;
}

} // namespace
} // namespace standin

using namespace standin;

extern "C" HRESULT WINAPI FilterConnectCommunicationPort(LPCWSTR lpPortName, DWORD dwOptions,
                                                         LPCVOID lpContext, WORD wSizeOfContext,
                                                         LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                                         HANDLE* hPort)
{
    (void)dwOptions;
    (void)lpContext;
    (void)wSizeOfContext;
    (void)lpSecurityAttributes;
    if (hPort == nullptr)
        return ResultInvalidParameter;
    *hPort = INVALID_HANDLE_VALUE;
    // Nobody listens on the port unless the driver runs.
    if (!IsPortName(lpPortName) || !IsWrimonRunning())
        return ResultPortNotFound;
    HRESULT refused = S_OK;
    if (RefusedConnection(refused))
        return refused;

    PortState& state = Ports();
    uint64_t session;
    {
        SharedStateGuard shared;
        session = EnsureSession();
    }
    if (session == 0)
        return ResultPortNotFound;
    // A real handle, so that the program can close it with CloseHandle.
    HANDLE hOwnEnd = nullptr;
    HANDLE handle = nullptr;
    if (!CreatePipe(&hOwnEnd, &handle, nullptr, 0))
        return HRESULT_FROM_WIN32(GetLastError());
    {
        CriticalSectionGuard guard(state.lock);
        // A connection whose handle value came back is one the program has closed.
        auto stale = state.ports.find(handle);
        if (stale != state.ports.end())
            Forget(state, stale);
        state.ports[handle] = Connection{hOwnEnd, session};
    }
    InvalidateDriverView();
    *hPort = handle;
    return S_OK;
}

extern "C" HRESULT WINAPI FilterSendMessage(HANDLE hPort, LPVOID lpInBuffer, DWORD dwInBufferSize,
                                            LPVOID lpOutBuffer, DWORD dwOutBufferSize,
                                            LPDWORD lpBytesReturned)
{
    if (lpBytesReturned == nullptr)
        return ResultInvalidParameter;
    *lpBytesReturned = 0;

    PortState& state = Ports();
    CriticalSectionGuard guard(state.lock);
    auto port = state.ports.find(hPort);
    if (port == state.ports.end())
        return ResultInvalidHandle;
    if (!IsOpen(port->second))
    {
        Forget(state, port);
        return ResultInvalidHandle;
    }
    if (port->second.session == 0)
        return ResultInvalidHandle;
    const std::shared_ptr<const DriverView> current = CurrentDriverView();
    const DriverView& view = *current;
    // A port of an earlier load of the driver stays dead, as a real one would.
    if (!view.Running || view.Session != port->second.session)
    {
        port->second.session = 0;
        return ResultInvalidHandle;
    }

    WrimonRequest request;
    if (lpInBuffer == nullptr || dwInBufferSize < sizeof(request) || lpOutBuffer == nullptr)
        return ResultInvalidParameter;
    memcpy(&request, lpInBuffer, sizeof(request));
    if (request.Command != WrimonCommandGetLogRecords)
        return ResultInvalidParameter;

    const ULONGLONG nowMs = GetTickCount64();
    PollFeed(state, view, nowMs);
    if (IsDemoEnabled())
    {
        std::vector<WriteEvent> events;
        state.demo.Generate(nowMs, view.Attached, events);
        for (const WriteEvent& event : events)
            QueueWrite(state, view, event);
    }
    return state.outbox.Take(static_cast<BYTE*>(lpOutBuffer), dwOutBufferSize, lpBytesReturned);
}
