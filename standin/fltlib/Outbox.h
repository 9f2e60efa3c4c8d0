// What the stand-in driver has ready for the next requests on its port, in arrival order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <vector>

namespace standin
{

class Outbox
{
public:
    // A whole record; consecutive records are packed into one reply.
    void PushRecord(std::vector<BYTE> record);
    // A reply delivered byte for byte on its own (cut to the caller's buffer), count times in a row.
    void PushRaw(std::vector<BYTE> reply, uint64_t count = 1);
    // A result returned once, instead of a reply.
    void PushResult(HRESULT result);

    bool Empty() const { return m_items.empty(); }
    void Clear() { m_items.clear(); }

    // Fills the caller's buffer with the next reply: as many whole records as fit, a raw reply, or a
    // queued result. ERROR_NO_MORE_ITEMS as HRESULT when nothing is queued.
    HRESULT Take(BYTE* pBuffer, DWORD bufferSize, DWORD* pBytesReturned);

private:
    enum class Kind
    {
        Record,
        Raw,
        Result
    };
    struct Item
    {
        Kind kind;
        std::vector<BYTE> bytes;
        HRESULT result;
        uint64_t remaining; // deliveries left of a raw reply

    };

    // A stand-in for the driver's memory limit: what is not taken in time is dropped.
    static constexpr size_t MaxItems = 200000;

    std::deque<Item> m_items;
};

} // namespace standin
