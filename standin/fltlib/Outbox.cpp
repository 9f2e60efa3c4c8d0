#include "Outbox.h"

#include "Results.h"

#include <algorithm>
#include <cstring>

namespace standin
{

void Outbox::PushRecord(std::vector<BYTE> record)
{
    if (m_items.size() < MaxItems)
        m_items.push_back(Item{Kind::Record, std::move(record), S_OK, 1});
}

void Outbox::PushRaw(std::vector<BYTE> reply, uint64_t count)
{
    if (m_items.size() < MaxItems && count != 0)
        m_items.push_back(Item{Kind::Raw, std::move(reply), S_OK, count});
}

void Outbox::PushResult(HRESULT result)
{
    if (m_items.size() < MaxItems)
        m_items.push_back(Item{Kind::Result, std::vector<BYTE>(), result, 1});
}

HRESULT Outbox::Take(BYTE* pBuffer, DWORD bufferSize, DWORD* pBytesReturned)
{
    *pBytesReturned = 0;
    if (m_items.empty())
        return ResultNoMoreItems;

    Item& front = m_items.front();
    if (front.kind == Kind::Result)
    {
        const HRESULT result = front.result;
        m_items.pop_front();
        return result;
    }
    if (front.kind == Kind::Raw)
    {
        const DWORD cb = static_cast<DWORD>(std::min<size_t>(front.bytes.size(), bufferSize));
        if (cb != 0)
            memcpy(pBuffer, front.bytes.data(), cb);
        *pBytesReturned = cb;
        if (--front.remaining == 0)
            m_items.pop_front();
        return S_OK;
    }

    DWORD filled = 0;
    while (!m_items.empty() && m_items.front().kind == Kind::Record &&
           m_items.front().bytes.size() <= bufferSize - filled)
    {
        const std::vector<BYTE>& record = m_items.front().bytes;
        memcpy(pBuffer + filled, record.data(), record.size());
        filled += static_cast<DWORD>(record.size());
        m_items.pop_front();
    }
    // A record larger than the whole buffer can never be delivered; it stays for a bigger buffer.
    if (filled == 0)
        return ResultInsufficientBuffer;
    *pBytesReturned = filled;
    return S_OK;
}

} // namespace standin
