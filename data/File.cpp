#include "data/File.h"

#include "data/Error.h"

namespace
{
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

CQFile::~CQFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        Close();
}

BOOL CQFile::Fail()
{
    CQFileError error(m_csPath.empty() ? nullptr : m_csPath.c_str());
    return 0;
}

BOOL CQFile::Open(const wchar_t* path, DWORD flags)
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        Close();
    m_hFile = INVALID_HANDLE_VALUE;
    m_boolEndOfFile = 0;
    m_csPath = path ? path : L"";

    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = (flags & noInherit) ? FALSE : TRUE;
    HANDLE file = CreateFileW(m_csPath.c_str(), AccessRights(flags), ShareMode(flags), &security,
                              CreationMode(flags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail();
    m_hFile = file;
    m_boolCloseOnDestroy = 1;
    return 1;
}

void CQFile::Adopt(HANDLE handle, const wchar_t* path)
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolCloseOnDestroy)
        Close();
    m_boolEndOfFile = 0;
    m_csPath = path ? path : L"";
    m_hFile = handle;
    m_boolCloseOnDestroy = 1;
}

BOOL CQFile::Read(void* buffer, DWORD count)
{
    m_boolEndOfFile = 0;
    if (count == 0)
        return 1;
    DWORD got = 0;
    if (!ReadFile(m_hFile, buffer, count, &got, nullptr))
        return Fail();
    if (got != count)
    {
        m_boolEndOfFile = 1;
        SetLastError(ERROR_HANDLE_EOF);
        return Fail();
    }
    return 1;
}

BOOL CQFile::ReadSome(void* buffer, DWORD count, DWORD& got)
{
    got = 0;
    m_boolEndOfFile = 0;
    if (count == 0)
        return 1;
    if (!ReadFile(m_hFile, buffer, count, &got, nullptr))
    {
        got = 0;
        return Fail();
    }
    if (got == 0)
        m_boolEndOfFile = 1;
    return 1;
}

BOOL CQFile::Write(const void* buffer, DWORD count)
{
    if (count == 0)
        return 1;
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        return Fail();
    if (written != count)
    {
        SetLastError(ERROR_WRITE_FAULT);
        return Fail();
    }
    return 1;
}

BOOL CQFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return 1;
    const BOOL closed = CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_boolCloseOnDestroy = 0;
    // Reported with the path still known.
    if (!closed)
        Fail();
    m_csPath.clear();
    return closed;
}

uint64_t CQFile::GetSize()
{
    DWORD high = 0;
    // GetFileSize leaves an older error in place on success; a genuine low half of 0xFFFFFFFF must not
    // be mistaken for a failure.
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    {
        Fail();
        return 0;
    }
    return (static_cast<uint64_t>(high) << 32) | low;
}

BOOL CQFile::FlushToDisk()
{
    return FlushFileBuffers(m_hFile) ? 1 : Fail();
}
