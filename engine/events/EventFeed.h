// What delivers the system's file events to the source: the live session of the system's event tracing,
// or in tests a replay of synthetic events.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class CQFileEventSource;

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
    // The clock of the source's reports, in milliseconds.
    virtual ULONGLONG Now() const { return GetTickCount64(); }
};

// The live session (engine/events/EventSession.cpp).
std::unique_ptr<CQEventFeed> MakeLiveEventFeed();
