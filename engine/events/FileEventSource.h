// The record source made of the system's file events. The feed (the live session, or a replay in tests)
// delivers events on its own thread, which only copies them into the inbox; the retrieval thread's
// request translates them into records in the driver's layout, passes on those of attached volumes, and
// now and then logs how many writes it saw, how many had no name and how many events were lost.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "engine/RecordSource.h"
#include "engine/events/EventInbox.h"
#include "engine/events/FileEventTranslator.h"

class CQFileEventSource : public CQRecordSource
{
public:
    // Milliseconds, for the reports and the silence check.
    using Clock = std::function<ULONGLONG()>;

    // With no event at all in this long the session is taken to deliver none.
    static constexpr ULONGLONG SilenceLimitMs = 15000;
    // The first report comes early, so that a first run shows the name coverage after the rundown.
    static constexpr ULONGLONG FirstReportMs = 60000;
    static constexpr ULONGLONG ReportIntervalMs = 600000;

    // A null clock is GetTickCount64.
    explicit CQFileEventSource(Clock clock = nullptr,
                               size_t namesPerHalf = CQFileEventTranslator::DefaultNamesPerHalf,
                               size_t inboxByteLimit = CQEventInbox::DefaultByteLimit);

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

    // The retrieval thread's figures: read them once it has ended.
    const FileEventCounts& Counts() const { return m_translator.Counts(); }
    uint64_t Dropped() const { return m_qwordDropped; }
    uint64_t PassedRecords() const { return m_qwordPassed; }

    // Whether a device path lies on the volume (\Device\HarddiskVolume1 holds \Device\HarddiskVolume1\x,
    // not \Device\HarddiskVolume12\x), letter case aside.
    static bool IsOnVolume(const std::wstring& path, const std::wstring& volumeName);

private:
    // Moves the next batch out of the inbox; false when it had no event.
    bool TakeBatch();
    // The volume's index, or the count when it is not attached; volume lock held.
    size_t FindVolumeLocked(const std::wstring& volumeName) const;
    void RefreshVolumes();
    bool Passes(const FileWrite& write) const;
    void NoteLayout(const FileWrite& write);
    void Report();
    PortReply Gone(const std::wstring& line);

    Clock m_fnClock;
    CQEventInbox m_inbox;
    CQFileEventTranslator m_translator;

    // Attached volumes: written by the user-interface thread, copied by the retrieval thread when the
    // version has moved.
    CQCriticalSection m_lockVolumes;
    std::vector<std::wstring> m_arrVolumes;
    uint32_t m_dwordVolumesVersion = 0;

    // Everything below is the retrieval thread's.
    std::vector<std::wstring> m_arrVolumesSeen;
    uint32_t m_dwordVolumesSeenVersion = ~0u;
    InboxBatch m_batch;
    size_t m_intBatchNext = 0;
    // A record that did not fit the last reply; it leads the next.
    std::vector<BYTE> m_arrCarried;
    bool m_boolAnyEvent = false;
    bool m_boolEnded = false;
    bool m_boolGone = false;
    std::wstring m_csEndReason;
    ULONGLONG m_qwordStart;
    ULONGLONG m_qwordNextReport;
    uint64_t m_qwordDropped = 0;
    uint64_t m_qwordPassed = 0;
    uint64_t m_qwordReportedEvents = ~0ull;
    uint64_t m_qwordReportedDropped = 0;
    // Which (pointer size, version) pairs of write events have been logged.
    bool m_boolLayoutSeen[2][256] = {};
};
