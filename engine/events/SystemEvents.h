// The driverless mode as the monitor holds it: the record source that the retrieval thread asks and the
// feed of system events that fills it.
#pragma once

#include <memory>
#include <string>

#include "engine/events/EventFeed.h"
#include "engine/events/FileEventSource.h"

class CQSystemEvents
{
public:
    explicit CQSystemEvents(std::unique_ptr<CQEventFeed> feed,
                            const FileEventLimits& limits = FileEventLimits());
    // Stops a feed still running.
    ~CQSystemEvents();
    CQSystemEvents(const CQSystemEvents&) = delete;
    CQSystemEvents& operator=(const CQSystemEvents&) = delete;

    // False, with the reason, when the feed has no events to give.
    bool Start(std::wstring& why);
    // Ends the system's session at once, from any thread; the source then ends when it has passed on what
    // it has. Stop must still follow.
    void Halt();
    // Ends the feed and logs the source's last report. False when the feed could not make sure that it
    // calls the source no more: the object must then stay alive.
    bool Stop();

    CQFileEventSource& Source() { return m_source; }
    const CQFileEventSource& Source() const { return m_source; }

private:
    std::unique_ptr<CQEventFeed> m_pFeed; // before the source, which uses it
    CQFileEventSource m_source;
    bool m_boolRunning = false;
};
