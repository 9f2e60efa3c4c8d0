#include "engine/events/SystemEvents.h"

#include <utility>

CQSystemEvents::CQSystemEvents(std::unique_ptr<CQEventFeed> feed, const FileEventLimits& limits)
    : m_pFeed(std::move(feed)), m_source(m_pFeed.get(), limits)
{
}

CQSystemEvents::~CQSystemEvents()
{
    if (m_boolRunning)
        m_pFeed->Stop();
}

bool CQSystemEvents::Start(std::wstring& why)
{
    m_boolRunning = m_pFeed->Start(m_source, why);
    return m_boolRunning;
}

void CQSystemEvents::Halt()
{
    if (m_boolRunning)
        m_pFeed->Halt();
}

bool CQSystemEvents::Stop()
{
    if (!m_boolRunning)
        return true;
    if (!m_pFeed->Stop())
        return false;
    m_boolRunning = false;
    m_source.LogFinalReport();
    return true;
}
