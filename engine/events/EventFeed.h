// What delivers the system's file events to the source: the live session of the system's event tracing,
// or in tests a replay of synthetic events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CQFileEventSource;

// What the session itself says it lost: events it could not log, and buffers the reader did not take in
// time.
struct SessionLosses
{
    uint64_t Events = 0;
    uint64_t Buffers = 0;
};

class CQEventFeed
{
public:
    virtual ~CQEventFeed() = default;

    // Starts delivering to the source from a thread of the feed's own (Deliver, then EndOfEvents when the
    // events stop). False, with the reason in why, when there are no events to have; nothing is delivered
    // then.
    virtual bool Start(CQFileEventSource& source, std::wstring& why) = 0;
    // Ends the delivery. True once the feed is sure to call the source no more.
    virtual bool Stop() = 0;
    // Ends the system's session at once, from any thread, without waiting for the reader (the events then
    // end); Stop still follows. A session left enabled costs every file write of the machine something.
    virtual void Halt() {}
    // The session's loss figures so far; false when there are none to have.
    virtual bool QueryLosses(SessionLosses&) { return false; }
    // The clock of the source's reports and of its holding of events, in milliseconds.
    virtual ULONGLONG Now() const { return GetTickCount64(); }
    // How long after later events an event may still arrive, so how long the source holds every event
    // before it goes by their time stamps. A feed that delivers in the order of logging needs none.
    virtual ULONGLONG HoldMs() const { return 0; }
};

// The live session (engine/events/EventSession.cpp).
std::unique_ptr<CQEventFeed> MakeLiveEventFeed();
