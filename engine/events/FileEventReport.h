// The log lines of the system-event source: the layout of each kind of event the first time it is seen,
// and now and then what was seen, what could not be named, what the name maps hold and what was lost. A
// first run on a real machine is judged by these lines.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/events/EventFeed.h"
#include "engine/events/FileEventTranslator.h"

// What the source has seen and lost so far, for the report and the main window.
struct SystemEventFigures
{
    uint64_t Writes = 0;
    uint64_t UnnamedWrites = 0;
    uint64_t UnnamedBytes = 0;
    // Events the source itself dropped because its reader fell behind.
    uint64_t Dropped = 0;
    SessionLosses Lost;
};

class CQFileEventReport
{
public:
    // The first report comes early, so that a first run shows the name coverage after the rundown.
    static constexpr ULONGLONG FirstReportMs = 60000;
    static constexpr ULONGLONG ReportIntervalMs = 600000;
    // How often the session is asked what it lost.
    static constexpr ULONGLONG LossQueryMs = 60000;

    explicit CQFileEventReport(ULONGLONG start);

    // "System file events: <kind> events of version V with B-bit pointers", once per kind, version and
    // pointer size.
    void NoteLayout(const FileEventHead& head);

    // Asks the feed for the session's losses when it is time, and logs them when they grew.
    void PollLosses(CQEventFeed* feed, ULONGLONG now, SessionLosses& lost);
    // Logs the figures when it is time (or always with `force`), unless nothing changed since the last
    // time.
    void Log(ULONGLONG now, bool force, const CQFileEventTranslator& translator,
             const SystemEventFigures& figures, uint64_t lateEvents);

private:
    ULONGLONG m_qwordNextReport;
    ULONGLONG m_qwordNextLossQuery;
    uint64_t m_qwordReportedEvents = ~0ull;
    uint64_t m_qwordReportedDropped = 0;
    SessionLosses m_lossesLogged;
    // Which (kind, pointer size, version) have been logged.
    bool m_boolLayoutSeen[6][2][256] = {};
};
