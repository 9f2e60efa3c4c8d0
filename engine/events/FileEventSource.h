// The record source made of the system's file events. The feed (the live session, or a replay in tests)
// delivers events on its own thread, which only copies them into the inbox; the retrieval thread's
// request puts them back into the order they were logged in, translates them into records in the driver's
// layout and passes on those of files on attached volumes. A write whose file has no name cannot be placed
// on a volume (a file-system filter never sees writes to volumes it is not attached to), so it is counted
// apart and reported, never passed on.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "engine/RecordSource.h"
#include "engine/events/EventFeed.h"
#include "engine/events/EventInbox.h"
#include "engine/events/EventOrder.h"
#include "engine/events/FileEventReport.h"
#include "engine/events/FileEventTranslator.h"

struct FileEventLimits
{
    size_t KeyNameBytes = CQFileEventTranslator::DefaultKeyNameBytes;
    size_t ObjectNameBytes = CQFileEventTranslator::DefaultObjectNameBytes;
    size_t InboxBytes = CQEventInbox::DefaultByteLimit;
    // Payloads held for their order (the feed says for how long) beyond which the oldest go out at once.
    size_t HeldBytes = 64u << 20;
};

class CQFileEventSource : public CQRecordSource
{
public:
    // With no event at all in this long the session is taken to deliver none.
    static constexpr ULONGLONG SilenceLimitMs = 15000;

    // The feed (not owned, may be null) gives the clock, the time events are held for their order, the
    // session's losses and the halt when the source gives up; without one the clock is GetTickCount64 and
    // events go out in the order they arrived.
    explicit CQFileEventSource(CQEventFeed* feed = nullptr,
                               const FileEventLimits& limits = FileEventLimits());

    // The feed's thread: copy and hand off.
    void Deliver(const EVENT_RECORD& record) { m_inbox.Put(record); }
    // The feed's thread: no more events will come; the source ends once it has passed on what it has.
    void EndOfEvents(const std::wstring& why) { m_inbox.End(why); }

    // User-interface thread: from now on the volume's records are passed on, or dropped. False when the
    // volume already was attached, or was not.
    bool AttachVolume(const std::wstring& volumeName);
    bool DetachVolume(const std::wstring& volumeName);
    bool IsVolumeAttached(const std::wstring& volumeName);

    // Retrieval thread.
    PortReply RequestRecords(BYTE* pBuffer, DWORD bufferSize) override;

    // Logs the report once more, whatever the time; for the end, after the retrieval thread.
    void LogFinalReport();

    // Any thread: the figures as the retrieval thread last published them.
    SystemEventFigures Figures() const;

    // The retrieval thread's own figures: read them once it has ended.
    const FileEventCounts& Counts() const { return m_translator.Counts(); }
    uint64_t PassedRecords() const { return m_qwordPassed; }

    // Whether a device path lies on the volume (\Device\HarddiskVolume1 holds \Device\HarddiskVolume1\x,
    // not \Device\HarddiskVolume12\x), letter case aside.
    static bool IsOnVolume(const std::wstring& path, const std::wstring& volumeName);

protected:
    // Where the translation reads an event's payload: the inbox's copy itself. The fuzzer moves the copy
    // against a no-access page first, so that a read past it faults.
    virtual const BYTE* PayloadToRead(const BYTE* pPayload, size_t /*cbPayload*/) { return pPayload; }

private:
    ULONGLONG Now() const;
    // Moves what waits in the inbox into the order.
    void TakeInbox(ULONGLONG now);
    // The volume's index, or the count when it is not attached; volume lock held.
    size_t FindVolumeLocked(const std::wstring& volumeName) const;
    void RefreshVolumes();
    bool Passes(const FileWrite& write) const;
    void Publish();
    PortReply Gone(const std::wstring& line);

    CQEventFeed* m_pFeed; // not owned, may be null
    CQEventInbox m_inbox;
    CQFileEventTranslator m_translator;
    CQEventOrder m_order;

    // Attached volumes: written by the user-interface thread, copied by the retrieval thread when the
    // version has moved.
    CQCriticalSection m_lockVolumes;
    std::vector<std::wstring> m_arrVolumes;
    uint32_t m_dwordVolumesVersion = 0;

    // Published by the retrieval thread, read by any thread (engine/Counters.h).
    SystemEventFigures m_published;

    // Everything below is the retrieval thread's.
    std::vector<std::wstring> m_arrVolumesSeen;
    uint32_t m_dwordVolumesSeenVersion = ~0u;
    InboxBatch m_batch;
    // A record that did not fit the last reply; it leads the next.
    std::vector<BYTE> m_arrCarried;
    bool m_boolAnyEvent = false;
    bool m_boolEnded = false;
    bool m_boolGone = false;
    std::wstring m_csEndReason;
    ULONGLONG m_qwordStart;
    uint64_t m_qwordDropped = 0;
    uint64_t m_qwordPassed = 0;
    SessionLosses m_lost;
    CQFileEventReport m_report;
};
