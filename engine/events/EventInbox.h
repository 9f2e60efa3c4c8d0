// Events on their way from the session's consumer thread to the retrieval thread. The consumer only copies
// an event in and never waits for anything but this object's own short lock; when the inbox is full the
// event is dropped and counted, so a stalled reader can neither block the session nor eat the memory.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "engine/events/FileEventTranslator.h"

struct InboxEvent
{
    FileEventHead Head;
    // The payload's place in the batch's bytes.
    uint32_t Offset;
    uint32_t Length;
};

// What the reader takes out in one go.
struct InboxBatch
{
    std::vector<InboxEvent> Events;
    std::vector<BYTE> Bytes;
    // Events dropped since the last take.
    uint64_t Dropped = 0;
    // Set once the feed has said its events ended; Why says why.
    bool Ended = false;
    std::wstring Why;
};

class CQEventInbox
{
public:
    // Default bound on the payload bytes waiting.
    static constexpr size_t DefaultByteLimit = 32u << 20;

    explicit CQEventInbox(size_t byteLimit = DefaultByteLimit, size_t eventLimit = DefaultByteLimit / 64);
    CQEventInbox(const CQEventInbox&) = delete;
    CQEventInbox& operator=(const CQEventInbox&) = delete;

    // Consumer thread: copies the header fields and UserDataLength bytes of UserData (none when it is null).
    void Put(const EVENT_RECORD& record);
    void Put(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);
    // The feed's last word; events put after it are still taken.
    void End(const std::wstring& why);

    // Reader: moves everything waiting into the batch, whose earlier content is dropped (its storage is
    // kept for the next time). True when it holds any event.
    bool Take(InboxBatch& batch);

private:
    CQCriticalSection m_lock;
    InboxBatch m_waiting;
    size_t m_intByteLimit;
    size_t m_intEventLimit;
};
