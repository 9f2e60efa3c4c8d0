#include "engine/events/FileEventSource.h"

#include <cstring>
#include <cwchar>

#include "app/Log.h"
#include "engine/Counters.h"
#include "engine/LogFormat.h"
#include "engine/WrimonProtocol.h"
#include "engine/events/DriverRecord.h"

CQFileEventSource::CQFileEventSource(CQEventFeed* feed, const FileEventLimits& limits)
    : m_pFeed(feed), m_inbox(limits.InboxBytes, limits.InboxBytes / 64 + 1),
      m_translator(limits.KeyNameBytes, limits.ObjectNameBytes),
      m_order(feed != nullptr ? feed->HoldMs() : 0, limits.HeldBytes), m_qwordStart(Now()),
      m_report(m_qwordStart)
{
    m_lockVolumes.Init();
}

ULONGLONG CQFileEventSource::Now() const
{
    return m_pFeed != nullptr ? m_pFeed->Now() : GetTickCount64();
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

bool CQFileEventSource::Passes(const FileWrite& write) const
{
    if (write.Name == nullptr)
        return false;
    for (const std::wstring& volume : m_arrVolumesSeen)
    {
        if (IsOnVolume(*write.Name, volume))
            return true;
    }
    return false;
}

void CQFileEventSource::TakeInbox(ULONGLONG now)
{
    const bool any = m_inbox.Take(m_batch);
    m_qwordDropped += m_batch.Dropped;
    if (any)
        m_boolAnyEvent = true;
    if (m_batch.Ended && !m_boolEnded)
    {
        m_boolEnded = true;
        m_csEndReason = m_batch.Why;
    }
    m_order.Add(m_batch, now);
}

void CQFileEventSource::Publish()
{
    const FileEventCounts& counts = m_translator.Counts();
    CounterStore(m_published.Writes, counts.Writes);
    CounterStore(m_published.UnnamedWrites, counts.UnnamedWrites);
    CounterStore(m_published.UnnamedBytes, counts.UnnamedBytes);
    CounterStore(m_published.Dropped, m_qwordDropped);
    CounterStore(m_published.Lost.Events, m_lost.Events);
    CounterStore(m_published.Lost.Buffers, m_lost.Buffers);
}

SystemEventFigures CQFileEventSource::Figures() const
{
    SystemEventFigures figures;
    figures.Writes = CounterLoad(m_published.Writes);
    figures.UnnamedWrites = CounterLoad(m_published.UnnamedWrites);
    figures.UnnamedBytes = CounterLoad(m_published.UnnamedBytes);
    figures.Dropped = CounterLoad(m_published.Dropped);
    figures.Lost.Events = CounterLoad(m_published.Lost.Events);
    figures.Lost.Buffers = CounterLoad(m_published.Lost.Buffers);
    return figures;
}

void CQFileEventSource::LogFinalReport()
{
    Publish();
    m_report.Log(Now(), true, m_translator, Figures(), m_order.LateEvents());
}

PortReply CQFileEventSource::Gone(const std::wstring& line)
{
    LogLine(line);
    m_boolGone = true;
    // An enabled session costs every file write of the machine something: it goes at once.
    if (m_pFeed != nullptr)
        m_pFeed->Halt();
    return PortReply{WrimonResultDriverGone, 0};
}

PortReply CQFileEventSource::RequestRecords(BYTE* pBuffer, DWORD bufferSize)
{
    if (m_boolGone)
        return PortReply{WrimonResultDriverGone, 0};
    RefreshVolumes();
    const ULONGLONG now = Now();

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
    TakeInbox(now);
    // Once the feed has ended nothing older can come: everything held goes out.
    OrderedEvent event;
    while (m_order.Next(now, m_boolEnded, event))
    {
        m_report.NoteLayout(*event.Head);
        FileWrite write;
        if (!m_translator.Translate(*event.Head, PayloadToRead(event.Payload, event.Length), event.Length,
                                    write) ||
            !Passes(write))
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

    m_report.PollLosses(m_pFeed, now, m_lost);
    Publish();
    m_report.Log(now, false, m_translator, Figures(), m_order.LateEvents());
    if (filled != 0)
        return PortReply{S_OK, filled};
    if (m_boolEnded && m_arrCarried.empty() && m_order.Empty())
        return Gone(L"System file events ended: " + m_csEndReason);
    if (!m_boolAnyEvent && now >= m_qwordStart && now - m_qwordStart >= SilenceLimitMs)
        return Gone(FormatText(L"System file events are not available: no event arrived within %llu seconds",
                               static_cast<unsigned long long>(SilenceLimitMs / 1000)));
    return PortReply{WrimonResultNoMoreItems, 0};
}
