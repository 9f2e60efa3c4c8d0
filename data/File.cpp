#include "data/File.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "data/Error.h"

namespace
{
// Counted strings longer than this are read in steps of it, so that the memory taken grows only with
// bytes that the file really delivers.
const DWORD kStringStepBytes = 1 << 20;

DWORD AccessRights(DWORD flags)
{
    switch (flags & CQFile::accessMask)
    {
    case CQFile::accessRead:
        return GENERIC_READ;
    case CQFile::accessWrite:
        return GENERIC_WRITE;
    case CQFile::accessReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return 0;
    }
}

DWORD ShareMode(DWORD flags)
{
    switch (flags & CQFile::shareMask)
    {
    case CQFile::shareRead:
        return FILE_SHARE_READ;
    case CQFile::shareWrite:
        return FILE_SHARE_WRITE;
    case CQFile::shareReadWrite:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

DWORD CreationMode(DWORD flags)
{
    if (!(flags & CQFile::create))
        return OPEN_EXISTING;
    return (flags & CQFile::openAlways) ? OPEN_ALWAYS : CREATE_ALWAYS;
}
} // namespace

CQFile::CQFile(BOOL boolThrow, DWORD bufferSize) : m_boolThrow(boolThrow)
{
    if (bufferSize)
    {
        m_pBuffer.reset(new (std::nothrow) BYTE[bufferSize]);
        m_dwordBufferSize = m_pBuffer ? bufferSize : 0;
    }
}

CQFile::~CQFile()
{
    // A destructor must not throw, whatever the throw flag says.
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        CloseHandleAndReport(0);
}

BOOL CQFile::Fail(ErrorExceptions value, BOOL allowThrow)
{
    {
        CQFileError error(m_csPath.empty() ? nullptr : m_csPath.c_str());
        if (m_boolThrow && allowThrow)
            throw value;
    }
    return 0;
}

BOOL CQFile::Open(const wchar_t* path, DWORD flags)
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        Close();
    m_hFile = INVALID_HANDLE_VALUE;
    ResetBuffer();
    m_boolEndOfFile = 0;
    m_csPath = path ? path : L"";
    m_dwordAccess = flags & accessMask;

    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = (flags & noInherit) ? FALSE : TRUE;
    HANDLE file = CreateFileW(m_csPath.c_str(), AccessRights(flags), ShareMode(flags), &security,
                              CreationMode(flags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(errorOpen);
    m_hFile = file;
    m_boolCloseOnDestroy = 1;
    return 1;
}

void CQFile::Adopt(HANDLE handle, const wchar_t* path, DWORD flags)
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        Close();
    ResetBuffer();
    m_boolEndOfFile = 0;
    m_csPath = path ? path : L"";
    m_dwordAccess = flags & accessMask;
    m_hFile = handle;
    m_boolCloseOnDestroy = 1;
}

BOOL CQFile::Read(void* buffer, DWORD count)
{
    if (count == 0)
        return 1;
    m_boolEndOfFile = 0;
    BOOL buffered = m_pBuffer && m_hFile != INVALID_HANDLE_VALUE &&
                    (m_dwordAccess == accessRead || m_dwordAccess == accessReadWrite);
    if (buffered && m_mode == BufferMode::writing && !FlushPending())
        return Fail(errorWrite);
    BOOL ok = buffered ? ReadThroughBuffer(static_cast<BYTE*>(buffer), count) : ReadDirect(buffer, count);
    return ok ? 1 : Fail(errorRead);
}

BOOL CQFile::ReadSome(void* buffer, DWORD count, DWORD& got)
{
    got = 0;
    if (count == 0)
        return 1;
    m_boolEndOfFile = 0;
    BOOL buffered = m_pBuffer && m_hFile != INVALID_HANDLE_VALUE &&
                    (m_dwordAccess == accessRead || m_dwordAccess == accessReadWrite);
    if (buffered && m_mode == BufferMode::writing && !FlushPending())
        return Fail(errorWrite);
    if (buffered && m_mode == BufferMode::reading)
    {
        // What was read ahead comes first; the caller asks again for more.
        const DWORD available = m_dwordBufferEnd - m_dwordBufferStart;
        if (available != 0)
        {
            got = std::min(available, count);
            memcpy(buffer, m_pBuffer.get() + m_dwordBufferStart, got);
            m_dwordBufferStart += got;
            return 1;
        }
    }
    // Straight into the caller's buffer, which is meant to be large.
    if (!ReadFile(m_hFile, buffer, count, &got, nullptr))
    {
        got = 0;
        return Fail(errorRead);
    }
    if (got == 0)
        m_boolEndOfFile = 1;
    return 1;
}

BOOL CQFile::Write(const void* buffer, DWORD count)
{
    if (count == 0)
        return 1;
    BOOL buffered = m_pBuffer && m_hFile != INVALID_HANDLE_VALUE &&
                    (m_dwordAccess == accessWrite || m_dwordAccess == accessReadWrite);
    BOOL ok =
        buffered ? WriteThroughBuffer(static_cast<const BYTE*>(buffer), count) : WriteDirect(buffer, count);
    return ok ? 1 : Fail(errorWrite);
}

BOOL CQFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return 1;
    return CloseHandleAndReport(1);
}

BOOL CQFile::CloseHandleAndReport(BOOL allowThrow)
{
    BOOL flushed = m_mode == BufferMode::writing ? FlushPending() : 1;
    DWORD flushError = flushed ? NO_ERROR : GetLastError();
    BOOL closed = CloseHandle(m_hFile);
    DWORD closeError = closed ? NO_ERROR : GetLastError();
    m_hFile = INVALID_HANDLE_VALUE;
    m_boolCloseOnDestroy = 0;
    ResetBuffer();

    // Reported with the path still known; the handle is already gone, so a throw leaves nothing open.
    if (!flushed)
    {
        SetLastError(flushError);
        Fail(errorWrite, allowThrow && closed);
    }
    if (!closed)
    {
        SetLastError(closeError);
        Fail(errorClose, allowThrow);
    }
    m_csPath.clear();
    return flushed && closed;
}

uint64_t CQFile::GetSize()
{
    if (m_mode == BufferMode::writing && !FlushPending())
        Fail(errorWrite);
    DWORD high = 0;
    // GetFileSize leaves an older error in place on success; a genuine low half of 0xFFFFFFFF must not
    // be mistaken for a failure.
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    {
        Fail(errorSize);
        return 0;
    }
    return (static_cast<uint64_t>(high) << 32) | low;
}

BOOL CQFile::WriteString(const std::wstring& text, DWORD limit)
{
    size_t chars = text.size();
    if (limit != 0 && chars > limit)
        chars = limit;
    if (chars > 0x7FFFFFFF)
    {
        // The byte count would not fit in its 32 bits.
        SetLastError(ERROR_INVALID_PARAMETER);
        return Fail(errorWrite);
    }
    DWORD bytes = static_cast<DWORD>(chars * sizeof(wchar_t));
    // Characters after a count that did not reach the file would make the rest unreadable.
    if (!Write(&bytes, sizeof(bytes)))
        return 0;
    if (bytes == 0)
        return 1;
    return Write(text.data(), bytes);
}

BOOL CQFile::ReadString(std::wstring& text, DWORD limit)
{
    text.clear();
    DWORD bytes = 0;
    BOOL ok = Read(&bytes, sizeof(bytes));
    if (limit != 0 && bytes / 2 > limit)
        return 0;
    if (!ok || bytes == 0)
        return ok;
    try
    {
        // Room for an odd last byte, which is then dropped.
        DWORD done = 0;
        while (done < bytes)
        {
            DWORD step = std::min(kStringStepBytes, bytes - done);
            text.resize((static_cast<size_t>(done) + step + 1) / 2);
            if (!Read(reinterpret_cast<BYTE*>(&text[0]) + done, step))
            {
                text.clear();
                return 0;
            }
            done += step;
        }
    }
    catch (const std::bad_alloc&)
    {
        text.clear();
        text.shrink_to_fit();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return Fail(errorRead);
    }
    text.resize(bytes / 2);
    return 1;
}

BOOL CQFile::SetBufferSize(DWORD bytes)
{
    BOOL ok = 1;
    if (m_mode == BufferMode::writing && !FlushPending())
        ok = Fail(errorWrite);
    if (m_mode == BufferMode::reading && !DropReadAhead())
        ok = Fail(errorRead);
    ResetBuffer();
    if (bytes == 0)
        m_pBuffer.reset();
    else if (bytes != m_dwordBufferSize || !m_pBuffer)
        m_pBuffer.reset(new (std::nothrow) BYTE[bytes]);
    m_dwordBufferSize = m_pBuffer ? bytes : 0;
    return ok;
}

BOOL CQFile::Flush()
{
    if (m_mode == BufferMode::writing && !FlushPending())
        return Fail(errorWrite);
    return 1;
}

BOOL CQFile::FlushToDisk()
{
    if (!Flush())
        return 0;
    return FlushFileBuffers(m_hFile) ? 1 : Fail(errorWrite);
}

void CQFile::ResetBuffer()
{
    m_dwordBufferStart = 0;
    m_dwordBufferEnd = 0;
    m_mode = BufferMode::empty;
}

BOOL CQFile::ReadDirect(void* out, DWORD count)
{
    DWORD got = 0;
    if (!ReadFile(m_hFile, out, count, &got, nullptr))
        return 0;
    if (got != count)
    {
        m_boolEndOfFile = 1;
        SetLastError(ERROR_HANDLE_EOF);
        return 0;
    }
    return 1;
}

BOOL CQFile::WriteDirect(const void* data, DWORD count)
{
    DWORD written = 0;
    if (!WriteFile(m_hFile, data, count, &written, nullptr))
        return 0;
    if (written != count)
    {
        SetLastError(ERROR_WRITE_FAULT);
        return 0;
    }
    return 1;
}

BOOL CQFile::FlushPending()
{
    DWORD pending = m_dwordBufferEnd;
    ResetBuffer();
    // Pending bytes that the system refused are dropped: unbuffered, their write would have failed too.
    return pending == 0 || WriteDirect(m_pBuffer.get(), pending);
}

BOOL CQFile::DropReadAhead()
{
    // The system's file pointer stands after the bytes read ahead; move it back to what the caller took.
    LONG unread = static_cast<LONG>(m_dwordBufferEnd - m_dwordBufferStart);
    ResetBuffer();
    if (unread == 0)
        return 1;
    LARGE_INTEGER move;
    move.QuadPart = -static_cast<LONGLONG>(unread);
    return SetFilePointerEx(m_hFile, move, nullptr, FILE_CURRENT);
}

BOOL CQFile::ReadThroughBuffer(BYTE* out, DWORD count)
{
    m_mode = BufferMode::reading;
    while (count != 0)
    {
        DWORD available = m_dwordBufferEnd - m_dwordBufferStart;
        if (available != 0)
        {
            DWORD take = std::min(available, count);
            memcpy(out, m_pBuffer.get() + m_dwordBufferStart, take);
            m_dwordBufferStart += take;
            out += take;
            count -= take;
            continue;
        }
        if (count >= m_dwordBufferSize)
            return ReadDirect(out, count);
        DWORD got = 0;
        if (!ReadFile(m_hFile, m_pBuffer.get(), m_dwordBufferSize, &got, nullptr))
            return 0;
        m_dwordBufferStart = 0;
        m_dwordBufferEnd = got;
        if (got == 0)
        {
            m_boolEndOfFile = 1;
            SetLastError(ERROR_HANDLE_EOF);
            return 0;
        }
    }
    return 1;
}

BOOL CQFile::WriteThroughBuffer(const BYTE* data, DWORD count)
{
    if (m_mode == BufferMode::reading && !DropReadAhead())
        return 0;
    if (m_mode == BufferMode::writing && count > m_dwordBufferSize - m_dwordBufferEnd && !FlushPending())
        return 0;
    if (count >= m_dwordBufferSize)
        return WriteDirect(data, count);
    memcpy(m_pBuffer.get() + m_dwordBufferEnd, data, count);
    m_dwordBufferEnd += count;
    m_mode = BufferMode::writing;
    return 1;
}
