#include "data/TreeStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "data/File.h"
#include "data/ItemName.h"

namespace
{
constexpr size_t kBufferBytes = 1 << 20;
} // namespace

CQTreeWriter::CQTreeWriter(CQFile* file) : m_pFile(file), m_pBuffer(new (std::nothrow) BYTE[kBufferBytes])
{
    // A save runs on the autosave's thread too: no memory for the buffer fails the writing, it throws
    // nothing.
    if (!m_pBuffer)
    {
        m_boolFailed = 1;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

BOOL CQTreeWriter::NextBuffer()
{
    if (m_pFile != nullptr)
        return Flush();
    if (m_boolFailed)
        return 0;
    try
    {
        m_arrKept.push_back(std::move(m_pBuffer));
    }
    catch (const std::bad_alloc&)
    {
        m_boolFailed = 1;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    m_qwordPassed += m_used;
    m_used = 0;
    m_pBuffer.reset(new (std::nothrow) BYTE[kBufferBytes]);
    if (!m_pBuffer)
    {
        m_boolFailed = 1;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return !m_boolFailed;
}

BOOL CQTreeWriter::Write(const void* data, size_t bytes)
{
    if (bytes <= kBufferBytes - m_used && !m_boolFailed)
    {
        std::memcpy(m_pBuffer.get() + m_used, data, bytes);
        m_used += bytes;
        return 1;
    }
    const BYTE* at = static_cast<const BYTE*>(data);
    while (bytes != 0)
    {
        if (m_boolFailed || (m_used == kBufferBytes && !NextBuffer()))
            return 0;
        const size_t step = std::min(bytes, kBufferBytes - m_used);
        std::memcpy(m_pBuffer.get() + m_used, at, step);
        m_used += step;
        at += step;
        bytes -= step;
    }
    return !m_boolFailed;
}

BOOL CQTreeWriter::WriteName(const CQItemName& name, size_t units)
{
    size_t first = 0;
    while (first < units)
    {
        if (m_boolFailed || (m_used == kBufferBytes && !NextBuffer()))
            return 0;
        const size_t step = std::min(units - first, (kBufferBytes - m_used) / sizeof(wchar_t));
        if (step == 0)
        {
            // One byte is left: the unit straddles the buffer's end (a kept buffer is always full).
            BYTE unit[sizeof(wchar_t)];
            name.CopyUtf16(unit, first, 1);
            if (!Write(unit, sizeof(unit)))
                return 0;
            ++first;
            continue;
        }
        name.CopyUtf16(m_pBuffer.get() + m_used, first, step);
        m_used += step * sizeof(wchar_t);
        first += step;
    }
    return !m_boolFailed;
}

BOOL CQTreeWriter::WriteText(const std::wstring& text, size_t limit)
{
    const size_t chars = std::min(text.size(), limit);
    if (chars > 0x7FFFFFFF)
    {
        // The byte count would not fit in its 32 bits.
        m_boolFailed = 1;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WriteU32(static_cast<uint32_t>(chars * sizeof(wchar_t))) &&
           Write(text.data(), chars * sizeof(wchar_t));
}

BOOL CQTreeWriter::Flush()
{
    if (m_boolFailed || m_pFile == nullptr || m_used == 0)
        return !m_boolFailed;
    const BOOL ok = m_pFile->Write(m_pBuffer.get(), static_cast<DWORD>(m_used));
    m_qwordPassed += m_used;
    m_used = 0;
    if (!ok)
        m_boolFailed = 1;
    return ok;
}

BOOL CQTreeWriter::WriteTo(CQFile& file) const
{
    for (const std::unique_ptr<BYTE[]>& kept : m_arrKept)
    {
        if (!file.Write(kept.get(), static_cast<DWORD>(kBufferBytes)))
            return 0;
    }
    return m_used == 0 || file.Write(m_pBuffer.get(), static_cast<DWORD>(m_used));
}

CQTreeReader::CQTreeReader(CQFile& file) : m_file(file), m_pBuffer(new BYTE[kBufferBytes]) {}

bool CQTreeReader::Fill(size_t bytes)
{
    if (m_end - m_pos >= bytes)
        return true;
    std::memmove(m_pBuffer.get(), m_pBuffer.get() + m_pos, m_end - m_pos);
    m_end -= m_pos;
    m_pos = 0;
    while (m_end < bytes)
    {
        DWORD got = 0;
        if (!m_file.ReadSome(m_pBuffer.get() + m_end, static_cast<DWORD>(kBufferBytes - m_end), got))
            return false;
        if (got == 0)
        {
            // The end of the file: reading the missing byte fails and reports it as any short read does
            // (or finds that the file has grown meanwhile).
            if (!m_file.Read(m_pBuffer.get() + m_end, 1))
                return false;
            got = 1;
        }
        m_end += got;
        m_qwordDelivered += got;
    }
    return true;
}

BOOL CQTreeReader::Read(void* out, size_t bytes)
{
    BYTE* at = static_cast<BYTE*>(out);
    while (bytes != 0)
    {
        const size_t step = std::min(bytes, kBufferBytes);
        if (!Fill(step))
            return 0;
        std::memcpy(at, m_pBuffer.get() + m_pos, step);
        m_pos += step;
        at += step;
        bytes -= step;
    }
    return 1;
}

BOOL CQTreeReader::ReadName(CQItemName& name, uint32_t byteCount, CQTreeArena& arena)
{
    if (byteCount <= kBufferBytes)
    {
        if (!Fill(byteCount))
            return 0;
        name.AssignUtf16(m_pBuffer.get() + m_pos, byteCount / 2, arena);
        m_pos += byteCount;
        return 1;
    }
    // A name longer than the buffer is gathered piece by piece, so that a count the file cannot back
    // costs no more memory than the bytes that are there.
    std::vector<BYTE> text;
    size_t done = 0;
    while (done < byteCount)
    {
        const size_t step = std::min<size_t>(byteCount - done, kBufferBytes);
        if (!Fill(step))
            return 0;
        text.insert(text.end(), m_pBuffer.get() + m_pos, m_pBuffer.get() + m_pos + step);
        m_pos += step;
        done += step;
    }
    name.AssignUtf16(text.data(), byteCount / 2, arena);
    return 1;
}

BOOL CQTreeReader::ReadText(std::wstring& text, size_t limit)
{
    text.clear();
    uint32_t bytes = 0;
    if (!ReadU32(bytes) || bytes / 2 > limit || bytes > kBufferBytes || !Fill(bytes))
        return 0;
    text.resize(bytes / 2);
    if (!text.empty())
        std::memcpy(&text[0], m_pBuffer.get() + m_pos, text.size() * sizeof(wchar_t));
    m_pos += bytes;
    return 1;
}
