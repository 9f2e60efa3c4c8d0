// The system's file events put back into the order in which they were logged. A real-time session delivers
// them buffer by buffer, and each processor logs into buffers of its own, which are flushed when full or
// once a second: an event of a quiet processor can arrive a second or more after later events of a busy
// one. So every event is held for a while after it arrived; then it goes out, together with every held
// event logged before it, oldest first by the time stamp of its header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <queue>
#include <vector>

#include "engine/events/EventInbox.h"

// One event on its way out; valid until the next call of Next or Add.
struct OrderedEvent
{
    const FileEventHead* Head;
    const BYTE* Payload;
    size_t Length;
};

class CQEventOrder
{
public:
    // Events are held holdMs after they arrived; past byteLimit of held payloads (with a little per event)
    // the oldest go out at once, so that a flood cannot eat the memory.
    CQEventOrder(ULONGLONG holdMs, size_t byteLimit);
    CQEventOrder(const CQEventOrder&) = delete;
    CQEventOrder& operator=(const CQEventOrder&) = delete;

    // Takes the batch's events, arrived at `now`; the batch gets storage back to be reused.
    void Add(InboxBatch& batch, ULONGLONG now);
    // The oldest event that is due at `now`, or with `all` the oldest held; false when none is.
    bool Next(ULONGLONG now, bool all, OrderedEvent& event);

    bool Empty() const { return m_heap.empty(); }
    // Events that went out after an event logged later than they were: they came too late for the hold.
    uint64_t LateEvents() const { return m_qwordLate; }

private:
    // The events of one batch and their payloads.
    struct Chunk
    {
        std::vector<InboxEvent> events;
        std::vector<BYTE> bytes;
        ULONGLONG arrived = 0;
        LONGLONG newest = 0;
        size_t waiting = 0;
    };
    struct Held
    {
        LONGLONG timeStamp;
        uint64_t sequence; // arrival order, for equal time stamps
        uint64_t chunk;
        uint32_t index;
        bool operator>(const Held& other) const
        {
            return timeStamp != other.timeStamp ? timeStamp > other.timeStamp : sequence > other.sequence;
        }
    };

    Chunk& ChunkOf(uint64_t id) { return m_chunks[static_cast<size_t>(id - m_qwordFirstChunk)]; }
    static size_t CostOf(const InboxEvent& event) { return sizeof(Held) + sizeof(InboxEvent) + event.Length; }
    // Drops the chunks at the front whose events have all gone out.
    void DropSpentChunks();
    // Raises the release mark with every chunk that has been held long enough.
    void Mature(ULONGLONG now);

    ULONGLONG m_qwordHoldMs;
    size_t m_intByteLimit;
    size_t m_intHeldBytes = 0;
    std::deque<Chunk> m_chunks;
    uint64_t m_qwordFirstChunk = 0;
    // The first chunk not yet held long enough.
    uint64_t m_qwordMatureChunk = 0;
    // Held events logged up to this time stamp are due.
    LONGLONG m_llReleaseUpTo;
    bool m_boolAnyReleased = false;
    LONGLONG m_llLastReleased = 0;
    uint64_t m_qwordSequence = 0;
    uint64_t m_qwordLate = 0;
    std::priority_queue<Held, std::vector<Held>, std::greater<Held>> m_heap;
    // The storage of a spent chunk, handed back by the next Add.
    std::vector<InboxEvent> m_arrSpareEvents;
    std::vector<BYTE> m_arrSpareBytes;
};
