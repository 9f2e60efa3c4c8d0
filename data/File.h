// One file handle with open, read, write, size and close, and failure reports that name the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Every failure logs through CQFileError and returns 0. Reads and writes go straight to the system: the
// saved data file's fields are gathered by its own streams (TreeStream.h), everything else is written in
// large pieces.
class CQFile
{
public:
    // Open flags: one access value, one sharing value, and the option bits.
    enum : DWORD
    {
        accessRead = 0x0,
        accessWrite = 0x1,
        accessReadWrite = 0x2,
        accessNone = 0x3,
        accessMask = 0x3,
        shareRead = 0x20,
        shareWrite = 0x30,
        shareReadWrite = 0x40,
        shareMask = 0x70,
        noInherit = 0x80,
        create = 0x1000,
        openAlways = 0x2000,
    };

    CQFile() = default;
    virtual ~CQFile();
    CQFile(const CQFile&) = delete;
    CQFile& operator=(const CQFile&) = delete;

    BOOL Open(const wchar_t* path, DWORD flags);
    // Takes over a handle opened elsewhere (with options Open has no flag for); it is closed like one
    // that Open made.
    void Adopt(HANDLE handle, const wchar_t* path);
    // Succeeds only when exactly count bytes were read; see HitEndOfFile.
    virtual BOOL Read(void* buffer, DWORD count);
    // Reads up to count bytes, got the number read: fewer at the end of the file, 0 there. Fails (reported
    // like Read) only when the system refuses the read.
    virtual BOOL ReadSome(void* buffer, DWORD count, DWORD& got);
    virtual BOOL Write(const void* buffer, DWORD count);
    // Always forgets the handle; a second call returns 1 and does nothing.
    BOOL Close();

    // The file's size, or 0 on failure.
    uint64_t GetSize();

    // The system's cached data of the file to the disk (FlushFileBuffers on this handle).
    BOOL FlushToDisk();

    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    // Valid while the file is open; not to be closed by the caller.
    HANDLE GetHandle() const { return m_hFile; }
    const std::wstring& GetPath() const { return m_csPath; }
    // Whether the last failed read failed because the file ended before the count (last error then
    // ERROR_HANDLE_EOF), as opposed to a failure of the system call.
    BOOL HitEndOfFile() const { return m_boolEndOfFile; }

private:
    // Logs the failure with the file's name; returns 0.
    BOOL Fail();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    std::wstring m_csPath;
    BOOL m_boolCloseOnDestroy = 1;
    BOOL m_boolEndOfFile = 0;
};
