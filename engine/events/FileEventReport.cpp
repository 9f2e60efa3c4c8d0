#include "engine/events/FileEventReport.h"

#include "engine/LogFormat.h"
#include "engine/events/KernelFileEvents.h"

namespace
{

// The kinds whose layouts are logged, and how the lines name them.
int LayoutKind(const FileEventHead& head)
{
    if (IsEqualGUID(head.ProviderId, KernelFileProviderGuid))
    {
        switch (head.Id)
        {
        case KernelFileEventWrite:
            return 0;
        case KernelFileEventCreate:
            return 1;
        case KernelFileEventCreateNewFile:
            return 2;
        case KernelFileEventNameCreate:
            return 3;
        case KernelFileEventNameDelete:
            return 4;
        default:
            return -1;
        }
    }
    return IsFileRundownEvent(head.ProviderId, head.Opcode) ? 5 : -1;
}
const wchar_t* const kKindNames[] = {L"write",       L"create",      L"create-new-file",
                                     L"name-create", L"name-delete", L"rundown"};

double Share(uint64_t part, uint64_t whole)
{
    return whole != 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

double Megabytes(size_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

CQFileEventReport::CQFileEventReport(ULONGLONG start)
    : m_qwordNextReport(start + FirstReportMs), m_qwordNextLossQuery(start + LossQueryMs)
{
}

void CQFileEventReport::NoteLayout(const FileEventHead& head)
{
    const int kind = LayoutKind(head);
    if (kind < 0)
        return;
    const uint32_t pointerSize = EventPointerSize(head.Flags);
    bool& seen = m_boolLayoutSeen[kind][pointerSize == 8 ? 1 : 0][head.Version];
    if (seen)
        return;
    seen = true;
    LogFormatted(L"System file events: %ls events of version %u with %u-bit pointers", kKindNames[kind],
                 static_cast<unsigned>(head.Version), static_cast<unsigned>(pointerSize * 8));
}

void CQFileEventReport::PollLosses(CQEventFeed* feed, ULONGLONG now, SessionLosses& lost)
{
    if (feed == nullptr || now < m_qwordNextLossQuery)
        return;
    m_qwordNextLossQuery = now + LossQueryMs;
    SessionLosses queried;
    if (!feed->QueryLosses(queried))
        return;
    lost = queried;
    if (lost.Events == m_lossesLogged.Events && lost.Buffers == m_lossesLogged.Buffers)
        return;
    m_lossesLogged = lost;
    LogFormatted(L"System file events: the session has lost %llu events and %llu buffers so far",
                 static_cast<unsigned long long>(lost.Events), static_cast<unsigned long long>(lost.Buffers));
}

void CQFileEventReport::Log(ULONGLONG now, bool force, const CQFileEventTranslator& translator,
                            const SystemEventFigures& figures, uint64_t lateEvents)
{
    if (!force)
    {
        if (now < m_qwordNextReport)
            return;
        m_qwordNextReport = now + ReportIntervalMs;
    }
    const FileEventCounts& counts = translator.Counts();
    if (!force && counts.Events == m_qwordReportedEvents && figures.Dropped == m_qwordReportedDropped)
        return;
    m_qwordReportedEvents = counts.Events;
    m_qwordReportedDropped = figures.Dropped;
    LogFormatted(
        L"System file events: %llu writes (%llu paging I/O), %llu without a name (%.1f%%, %llu bytes) "
        L"not counted, %llu names from the rundown, %llu events dropped, %llu loss reports",
        static_cast<unsigned long long>(counts.Writes), static_cast<unsigned long long>(counts.PagingWrites),
        static_cast<unsigned long long>(counts.UnnamedWrites), Share(counts.UnnamedWrites, counts.Writes),
        static_cast<unsigned long long>(counts.UnnamedBytes),
        static_cast<unsigned long long>(counts.RundownNames),
        static_cast<unsigned long long>(figures.Dropped),
        static_cast<unsigned long long>(counts.LossReports));
    const CQFileNameMap& keys = translator.KeyNames();
    const CQFileNameMap& objects = translator.ObjectNames();
    LogFormatted(
        L"System file events: names kept for %llu file keys (%.1f MB) and %llu file objects (%.1f MB), "
        L"%llu dropped for room; %llu late name deletions ignored, %llu events too late for the "
        L"ordering",
        static_cast<unsigned long long>(keys.Size()), Megabytes(keys.Bytes()),
        static_cast<unsigned long long>(objects.Size()), Megabytes(objects.Bytes()),
        static_cast<unsigned long long>(keys.Evictions() + objects.Evictions()),
        static_cast<unsigned long long>(counts.StaleDeletions), static_cast<unsigned long long>(lateEvents));
}
