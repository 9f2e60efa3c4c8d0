#include "engine/events/EventInbox.h"

#include <cstring>

CQEventInbox::CQEventInbox(size_t byteLimit, size_t eventLimit)
    : m_intByteLimit(byteLimit), m_intEventLimit(eventLimit)
{
    m_lock.Init();
}

void CQEventInbox::Put(const EVENT_RECORD& record)
{
    const BYTE* payload = static_cast<const BYTE*>(record.UserData);
    Put(FileEventHeadOf(record.EventHeader), payload, payload != nullptr ? record.UserDataLength : 0);
}

void CQEventInbox::Put(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    if (pPayload == nullptr)
        cbPayload = 0;
    CQLock lock(m_lock);
    const size_t used = m_waiting.Bytes.size();
    if (m_waiting.Events.size() >= m_intEventLimit || cbPayload > m_intByteLimit - used ||
        used > m_intByteLimit)
    {
        ++m_waiting.Dropped;
        return;
    }
    m_waiting.Events.push_back(
        InboxEvent{head, static_cast<uint32_t>(used), static_cast<uint32_t>(cbPayload)});
    if (cbPayload != 0)
    {
        m_waiting.Bytes.resize(used + cbPayload);
        memcpy(m_waiting.Bytes.data() + used, pPayload, cbPayload);
    }
}

void CQEventInbox::End(const std::wstring& why)
{
    CQLock lock(m_lock);
    if (m_waiting.Ended)
        return;
    m_waiting.Ended = true;
    m_waiting.Why = why;
}

bool CQEventInbox::Take(InboxBatch& batch)
{
    batch.Events.clear();
    batch.Bytes.clear();
    batch.Dropped = 0;
    CQLock lock(m_lock);
    batch.Events.swap(m_waiting.Events);
    batch.Bytes.swap(m_waiting.Bytes);
    batch.Dropped = m_waiting.Dropped;
    m_waiting.Dropped = 0;
    // The end stays on record in the inbox too, so a later take still reports it.
    batch.Ended = m_waiting.Ended;
    batch.Why = m_waiting.Why;
    return !batch.Events.empty();
}
