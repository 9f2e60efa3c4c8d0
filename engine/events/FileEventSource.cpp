#include "engine/events/FileEventSource.h"

#include <cstring>
#include <cwchar>

#include "app/Log.h"
#include "engine/LogFormat.h"
#include "engine/WrimonProtocol.h"
#include "engine/events/DriverRecord.h"

CQFileEventSource::CQFileEventSource(Clock clock, size_t namesPerHalf, size_t inboxByteLimit)
    : m_fnClock(clock ? std::move(clock) : Clock([] { return GetTickCount64(); })),
      m_inbox(inboxByteLimit, inboxByteLimit / 64 + 1), m_translator(namesPerHalf)
{
    m_lockVolumes.Init();
    m_qwordStart = m_fnClock();
    m_qwordNextReport = m_qwordStart + FirstReportMs;
}

bool CQFileEventSource::IsOnVolume(const std::wstring& path, const std::wstring& volumeName)
{
    const size_t cch = volumeName.size();
    return cch != 0 && path.size() >= cch && _wcsnicmp(path.c_str(), volumeName.c_str(), cch) == 0 &&
           (path.size() == cch || path[cch] == L'\\');
}

size_t CQFileEventSource::FindVolumeLocked(const std::wstring& volumeName) const
{
    for (size_t i = 0; i < m_arrVolumes.size(); ++i)
    {
        if (_wcsicmp(m_arrVolumes[i].c_str(), volumeName.c_str()) == 0)
            return i;
    }
    return m_arrVolumes.size();
}

bool CQFileEventSource::IsVolumeAttached(const std::wstring& volumeName)
{
    CQLock lock(m_lockVolumes);
    return FindVolumeLocked(volumeName) != m_arrVolumes.size();
}

bool CQFileEventSource::AttachVolume(const std::wstring& volumeName)
{
    CQLock lock(m_lockVolumes);
    if (FindVolumeLocked(volumeName) != m_arrVolumes.size())
        return false;
    m_arrVolumes.push_back(volumeName);
    ++m_dwordVolumesVersion;
    return true;
}

bool CQFileEventSource::DetachVolume(const std::wstring& volumeName)
{
    CQLock lock(m_lockVolumes);
    const size_t index = FindVolumeLocked(volumeName);
    if (index == m_arrVolumes.size())
        return false;
    m_arrVolumes.erase(m_arrVolumes.begin() + static_cast<ptrdiff_t>(index));
    ++m_dwordVolumesVersion;
    return true;
}

void CQFileEventSource::RefreshVolumes()
{
    CQLock lock(m_lockVolumes);
    if (m_dwordVolumesSeenVersion == m_dwordVolumesVersion)
        return;
    m_arrVolumesSeen = m_arrVolumes;
    m_dwordVolumesSeenVersion = m_dwordVolumesVersion;
}

// An unnamed write cannot be placed on a volume; it is passed on while any volume is monitored.
bool CQFileEventSource::Passes(const FileWrite& write) const
{
    if (write.Name == nullptr)
        return !m_arrVolumesSeen.empty();
    for (const std::wstring& volume : m_arrVolumesSeen)
    {
        if (IsOnVolume(*write.Name, volume))
            return true;
    }
    return false;
}

void CQFileEventSource::NoteLayout(const FileWrite& write)
{
    bool& seen = m_boolLayoutSeen[write.PointerSize == 8 ? 1 : 0][write.Version];
    if (seen)
        return;
    seen = true;
    LogFormatted(L"System file events: write events of version %u with %u-bit pointers",
                 static_cast<unsigned>(write.Version), static_cast<unsigned>(write.PointerSize * 8));
}

bool CQFileEventSource::TakeBatch()
{
    m_intBatchNext = 0;
    const bool any = m_inbox.Take(m_batch);
    m_qwordDropped += m_batch.Dropped;
    if (any)
        m_boolAnyEvent = true;
    if (m_batch.Ended && !m_boolEnded)
    {
        m_boolEnded = true;
        m_csEndReason = m_batch.Why;
    }
    return any;
}

void CQFileEventSource::Report()
{
    const FileEventCounts& counts = m_translator.Counts();
    if (counts.Events == m_qwordReportedEvents && m_qwordDropped == m_qwordReportedDropped)
        return;
    m_qwordReportedEvents = counts.Events;
    m_qwordReportedDropped = m_qwordDropped;
    const double share = counts.Writes != 0 ? 100.0 * static_cast<double>(counts.UnnamedWrites) /
                                                  static_cast<double>(counts.Writes)
                                            : 0.0;
    LogFormatted(
        L"System file events: %llu writes (%llu paging I/O), %llu without a name (%.1f%%), %llu names "
        L"from the rundown, %llu events dropped, %llu loss reports",
        static_cast<unsigned long long>(counts.Writes), static_cast<unsigned long long>(counts.PagingWrites),
        static_cast<unsigned long long>(counts.UnnamedWrites), share,
        static_cast<unsigned long long>(counts.RundownNames), static_cast<unsigned long long>(m_qwordDropped),
        static_cast<unsigned long long>(counts.LossReports));
}

void CQFileEventSource::LogFinalReport()
{
    m_qwordReportedEvents = ~0ull;
    Report();
}

PortReply CQFileEventSource::Gone(const std::wstring& line)
{
    LogLine(line);
    m_boolGone = true;
    return PortReply{WrimonResultDriverGone, 0};
}

PortReply CQFileEventSource::RequestRecords(BYTE* pBuffer, DWORD bufferSize)
{
    if (m_boolGone)
        return PortReply{WrimonResultDriverGone, 0};
    RefreshVolumes();

    DWORD filled = 0;
    if (!m_arrCarried.empty())
    {
        // Only a buffer smaller than any record can hold makes it stay; it is dropped then.
        if (m_arrCarried.size() <= bufferSize)
        {
            memcpy(pBuffer, m_arrCarried.data(), m_arrCarried.size());
            filled = static_cast<DWORD>(m_arrCarried.size());
            ++m_qwordPassed;
        }
        else
        {
            ++m_qwordDropped;
        }
        m_arrCarried.clear();
    }
    for (;;)
    {
        if (m_intBatchNext == m_batch.Events.size() && !TakeBatch())
            break;
        const InboxEvent& event = m_batch.Events[m_intBatchNext++];
        FileWrite write;
        if (!m_translator.Translate(event.Head, m_batch.Bytes.data() + event.Offset, event.Length, write))
            continue;
        NoteLayout(write);
        if (!Passes(write))
            continue;
        const size_t length = DriverRecordLength(write);
        if (length > bufferSize - filled)
        {
            m_arrCarried.resize(length);
            WriteDriverRecord(m_arrCarried.data(), write);
            break;
        }
        WriteDriverRecord(pBuffer + filled, write);
        filled += static_cast<DWORD>(length);
        ++m_qwordPassed;
    }

    const ULONGLONG now = m_fnClock();
    if (now >= m_qwordNextReport)
    {
        Report();
        m_qwordNextReport = now + ReportIntervalMs;
    }
    if (filled != 0)
        return PortReply{S_OK, filled};
    if (m_boolEnded && m_arrCarried.empty())
        return Gone(L"System file events ended: " + m_csEndReason);
    if (!m_boolAnyEvent && now >= m_qwordStart && now - m_qwordStart >= SilenceLimitMs)
        return Gone(FormatText(L"System file events are not available: no event arrived within %llu seconds",
                               static_cast<unsigned long long>(SilenceLimitMs / 1000)));
    return PortReply{WrimonResultNoMoreItems, 0};
}
