#include "support/ReplayEventFeed.h"

#include "engine/events/FileEventSource.h"

ReplayControl::ReplayControl() : m_hWake(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_lock.Init();
}

ReplayControl::~ReplayControl()
{
    CloseHandle(m_hWake);
}

void ReplayControl::Push(Item item)
{
    {
        CQLock lock(m_lock);
        m_arrItems.push_back(std::move(item));
        ++m_qwordPlayed;
    }
    SetEvent(m_hWake);
}

void ReplayControl::Play(const std::vector<file_events_test::SyntheticEvent>& events)
{
    for (const file_events_test::SyntheticEvent& event : events)
        Push(Item{event, false, std::wstring()});
}

void ReplayControl::End(const std::wstring& why)
{
    Push(Item{file_events_test::SyntheticEvent(), true, why});
}

bool ReplayControl::WaitDelivered(DWORD timeoutMilliseconds) const
{
    const ULONGLONG start = GetTickCount64();
    while (m_qwordDelivered < m_qwordPlayed)
    {
        if (GetTickCount64() - start > timeoutMilliseconds)
            return false;
        Sleep(5);
    }
    return true;
}

bool ReplayEventFeed::Start(CQFileEventSource& source, std::wstring& why)
{
    if (!m_pControl->m_csFailure.empty())
    {
        why = m_pControl->m_csFailure;
        return false;
    }
    m_pSource = &source;
    m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (m_hThread == nullptr)
    {
        why = L"the replay thread could not be created";
        return false;
    }
    m_pControl->m_boolStarted = true;
    return true;
}

bool ReplayEventFeed::Stop()
{
    if (m_hThread == nullptr)
        return true;
    m_boolStop = true;
    SetEvent(m_pControl->m_hWake);
    const bool ended = WaitForSingleObject(m_hThread, 30000) == WAIT_OBJECT_0;
    if (ended)
    {
        CloseHandle(m_hThread);
        m_hThread = nullptr;
        m_pControl->m_boolStopped = true;
    }
    return ended;
}

DWORD WINAPI ReplayEventFeed::Run(LPVOID parameter)
{
    ReplayEventFeed& feed = *static_cast<ReplayEventFeed*>(parameter);
    ReplayControl& control = *feed.m_pControl;
    while (!feed.m_boolStop)
    {
        WaitForSingleObject(control.m_hWake, 1000);
        for (;;)
        {
            ReplayControl::Item item;
            {
                CQLock lock(control.m_lock);
                if (control.m_arrItems.empty())
                    break;
                item = std::move(control.m_arrItems.front());
                control.m_arrItems.pop_front();
            }
            if (item.end)
            {
                feed.m_pSource->EndOfEvents(item.why);
            }
            else
            {
                const EVENT_RECORD record = item.event.Record();
                feed.m_pSource->Deliver(record);
            }
            ++control.m_qwordDelivered;
        }
    }
    return 0;
}
