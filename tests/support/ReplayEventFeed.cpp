#include "support/ReplayEventFeed.h"

#include "engine/events/FileEventSource.h"

void ReplayControl::Play(const std::vector<file_events_test::SyntheticEvent>& events)
{
    CQFileEventSource* source = m_pSource;
    for (const file_events_test::SyntheticEvent& event : events)
    {
        if (source != nullptr)
            source->Deliver(event.Record());
    }
}

void ReplayControl::End(const std::wstring& why)
{
    if (CQFileEventSource* source = m_pSource)
        source->EndOfEvents(why);
}

bool ReplayEventFeed::Start(CQFileEventSource& source, std::wstring&)
{
    m_pControl->m_pSource = &source;
    m_pControl->m_boolStarted = true;
    return true;
}

bool ReplayEventFeed::Stop()
{
    if (m_pControl->m_pSource.exchange(nullptr) != nullptr)
        m_pControl->m_boolStopped = true;
    return true;
}

void ReplayEventFeed::Halt()
{
    ++m_pControl->m_intHalts;
    m_pControl->End(L"the session was stopped");
}

bool ReplayEventFeed::QueryLosses(SessionLosses& losses)
{
    ++m_pControl->m_intLossQueries;
    losses.Events = m_pControl->m_qwordLostEvents;
    losses.Buffers = m_pControl->m_qwordLostBuffers;
    return true;
}
