// One file handle with open, read, write, size and close, counted strings, and failure reports that name
// the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Every failure logs through CQFileError and then returns 0, or throws the operation's
// CQFile::ErrorExceptions value when the throw flag is set.
//
// A buffer (64 KiB unless the creator chooses another size; 0 turns it off) gathers small writes and reads
// ahead, for files that are read or written field by field; the bytes on disk are the same as without it.
// When there is no memory for the buffer the file works without one.
// Pending writes are flushed by Close, the destructor, GetSize, Flush, a read and SetBufferSize. A write
// that the system refuses only at such a flush is reported then, as a write failure (2), by the call that
// flushed. Files opened without read (or write) access bypass the buffer for reads (or writes), so those
// calls fail at once as they would unbuffered.
class CQFile
{
public:
    enum ErrorExceptions
    {
        errorRead = 1,
        errorWrite = 2,
        errorOpen = 3,
        errorClose = 4,
        errorSize = 7,
    };

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

    static constexpr DWORD kDefaultBufferSize = 64 * 1024;

    explicit CQFile(BOOL boolThrow = 0, DWORD bufferSize = kDefaultBufferSize);
    virtual ~CQFile();
    CQFile(const CQFile&) = delete;
    CQFile& operator=(const CQFile&) = delete;

    virtual BOOL Open(const wchar_t* path, DWORD flags);
    // Takes over a handle opened elsewhere (with options Open has no flag for) as if Open had opened it
    // with `flags` (only the access value counts); it is closed like one that Open made.
    void Adopt(HANDLE handle, const wchar_t* path, DWORD flags);
    // Succeeds only when exactly count bytes were read; see HitEndOfFile.
    virtual BOOL Read(void* buffer, DWORD count);
    // Reads up to count bytes, got the number read: fewer at the end of the file, 0 there. Fails (reported
    // like Read) only when the system refuses the read.
    virtual BOOL ReadSome(void* buffer, DWORD count, DWORD& got);
    virtual BOOL Write(const void* buffer, DWORD count);
    // Always forgets the handle; a second call returns 1 and does nothing.
    virtual BOOL Close();

    // The file's size, or 0 on failure.
    uint64_t GetSize();

    // A 32-bit byte count and the UTF-16 characters without a terminating zero; limit in characters,
    // 0 for none. ReadString rejects a count above the limit and fails like a read on a count that the
    // file cannot hold.
    BOOL WriteString(const std::wstring& text, DWORD limit);
    BOOL ReadString(std::wstring& text, DWORD limit);

    // 0 turns the buffer off; pending writes are flushed first.
    BOOL SetBufferSize(DWORD bytes);
    BOOL Flush();
    // Flush, then the system's cached data of the file to the disk (FlushFileBuffers on this handle); a
    // refusal is a write failure (2).
    BOOL FlushToDisk();

    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    // Valid while the file is open; not to be closed by the caller.
    HANDLE GetHandle() const { return m_hFile; }
    const std::wstring& GetPath() const { return m_csPath; }
    // Whether the last failed read failed because the file ended before the count (last error then
    // ERROR_HANDLE_EOF), as opposed to a failure of the system call.
    BOOL HitEndOfFile() const { return m_boolEndOfFile; }

private:
    enum class BufferMode
    {
        empty,
        reading,
        writing,
    };

    BOOL Fail(ErrorExceptions value, BOOL allowThrow = 1);
    BOOL CloseHandleAndReport(BOOL allowThrow);
    // Buffer helpers: they set the last error and return 0 on failure but report nothing.
    BOOL FlushPending();
    BOOL DropReadAhead();
    BOOL ReadThroughBuffer(BYTE* out, DWORD count);
    BOOL WriteThroughBuffer(const BYTE* data, DWORD count);
    BOOL ReadDirect(void* out, DWORD count);
    BOOL WriteDirect(const void* data, DWORD count);
    void ResetBuffer();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    std::wstring m_csPath;
    BOOL m_boolCloseOnDestroy = 1;
    BOOL m_boolThrow;
    BOOL m_boolEndOfFile = 0;
    DWORD m_dwordAccess = 0;

    std::unique_ptr<BYTE[]> m_pBuffer;
    DWORD m_dwordBufferSize = 0;
    // Reading: bytes [start, end) are read ahead and not yet taken. Writing: bytes [0, end) are pending.
    DWORD m_dwordBufferStart = 0;
    DWORD m_dwordBufferEnd = 0;
    BufferMode m_mode = BufferMode::empty;
};
