#include "engine/events/EventOrder.h"

#include <climits>
#include <functional>
#include <utility>

CQEventOrder::CQEventOrder(ULONGLONG holdMs, size_t byteLimit)
    : m_qwordHoldMs(holdMs), m_intByteLimit(byteLimit), m_llReleaseUpTo(LLONG_MIN)
{
}

void CQEventOrder::Add(InboxBatch& batch, ULONGLONG now)
{
    DropSpentChunks();
    if (batch.Events.empty())
        return;
    const uint64_t id = m_qwordFirstChunk + m_chunks.size();
    m_chunks.emplace_back();
    Chunk& chunk = m_chunks.back();
    chunk.events.swap(batch.Events);
    chunk.bytes.swap(batch.Bytes);
    batch.Events.swap(m_arrSpareEvents);
    batch.Bytes.swap(m_arrSpareBytes);
    batch.Events.clear();
    batch.Bytes.clear();
    chunk.arrived = now;
    chunk.newest = LLONG_MIN;
    chunk.waiting = chunk.events.size();
    for (uint32_t i = 0; i < chunk.events.size(); ++i)
    {
        const InboxEvent& event = chunk.events[i];
        if (event.Head.TimeStamp > chunk.newest)
            chunk.newest = event.Head.TimeStamp;
        m_heap.push(Held{event.Head.TimeStamp, m_qwordSequence++, id, i});
        m_intHeldBytes += CostOf(event);
    }
}

void CQEventOrder::DropSpentChunks()
{
    while (!m_chunks.empty() && m_chunks.front().waiting == 0)
    {
        Chunk& spent = m_chunks.front();
        if (spent.bytes.capacity() > m_arrSpareBytes.capacity())
        {
            m_arrSpareEvents.swap(spent.events);
            m_arrSpareBytes.swap(spent.bytes);
        }
        m_chunks.pop_front();
        ++m_qwordFirstChunk;
    }
    if (m_qwordMatureChunk < m_qwordFirstChunk)
        m_qwordMatureChunk = m_qwordFirstChunk;
}

void CQEventOrder::Mature(ULONGLONG now)
{
    const uint64_t end = m_qwordFirstChunk + m_chunks.size();
    for (; m_qwordMatureChunk < end; ++m_qwordMatureChunk)
    {
        const Chunk& chunk = ChunkOf(m_qwordMatureChunk);
        if (now < chunk.arrived || now - chunk.arrived < m_qwordHoldMs)
            break;
        if (chunk.newest > m_llReleaseUpTo)
            m_llReleaseUpTo = chunk.newest;
    }
}

bool CQEventOrder::Next(ULONGLONG now, bool all, OrderedEvent& event)
{
    DropSpentChunks();
    Mature(now);
    if (m_heap.empty())
        return false;
    const Held top = m_heap.top();
    if (!all && top.timeStamp > m_llReleaseUpTo && m_intHeldBytes <= m_intByteLimit)
        return false;
    m_heap.pop();
    Chunk& chunk = ChunkOf(top.chunk);
    const InboxEvent& held = chunk.events[top.index];
    --chunk.waiting;
    m_intHeldBytes -= CostOf(held);
    if (m_boolAnyReleased && top.timeStamp < m_llLastReleased)
        ++m_qwordLate;
    else
        m_llLastReleased = top.timeStamp;
    m_boolAnyReleased = true;
    event.Head = &held.Head;
    event.Payload = chunk.bytes.data() + held.Offset;
    event.Length = held.Length;
    return true;
}
