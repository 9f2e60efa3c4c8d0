// The saved data file's records on their way to and from the disk: the totals, the processes and the tree
// are written and read through one large buffer, so that a tree of a million items costs a few dozen
// system calls instead of millions of calls on the file. The bytes on disk are exactly those of
// field-by-field writes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CQFile;
class CQItemName;
class CQTreeArena;

class CQTreeWriter
{
public:
    // Writes to file a full buffer at a time. Without a file every full buffer is kept in memory: the copy
    // of a save, taken while the writers wait and written to the disk afterwards (WriteTo).
    explicit CQTreeWriter(CQFile* file);
    CQTreeWriter(const CQTreeWriter&) = delete;
    CQTreeWriter& operator=(const CQTreeWriter&) = delete;

    // Each returns 0 once a write to the file has failed or memory ran out (last error then
    // ERROR_NOT_ENOUGH_MEMORY); nothing more is written then. Memory is taken without throwing.
    BOOL Write(const void* data, size_t bytes);
    BOOL WriteU32(uint32_t value) { return Write(&value, sizeof(value)); }
    // The name's first units (at most its length) as UTF-16LE.
    BOOL WriteName(const CQItemName& name, size_t units);
    // A counted string: its byte count (32 bits), then its first `limit` characters at most.
    BOOL WriteText(const std::wstring& text, size_t limit);
    // Writes what is buffered to the file; returns whether everything written reached the file (or memory).
    BOOL Flush();

    // Kept in memory: everything written, in order, to file; 0 when one of its writes fails.
    BOOL WriteTo(CQFile& file) const;
    // The bytes written so far.
    uint64_t GetLength() const { return m_qwordPassed + m_used; }

private:
    // The buffer is full: to the file, or kept and a new one taken.
    BOOL NextBuffer();

    CQFile* m_pFile;
    std::unique_ptr<BYTE[]> m_pBuffer;
    std::vector<std::unique_ptr<BYTE[]>> m_arrKept;
    // Bytes handed to the file or kept.
    uint64_t m_qwordPassed = 0;
    size_t m_used = 0;
    BOOL m_boolFailed = 0;
};

class CQTreeReader
{
public:
    explicit CQTreeReader(CQFile& file);
    CQTreeReader(const CQTreeReader&) = delete;
    CQTreeReader& operator=(const CQTreeReader&) = delete;

    // Reads exactly bytes into out; a file that ends first fails as a short read of the file does (the
    // file reports it), and so does a failed read.
    BOOL Read(void* out, size_t bytes);
    BOOL ReadU32(uint32_t& value) { return Read(&value, sizeof(value)); }
    // Reads byteCount bytes of UTF-16LE text into name, in arena; an odd last byte is read and dropped.
    // Memory grows only with the bytes that the file really delivers.
    BOOL ReadName(CQItemName& name, uint32_t byteCount, CQTreeArena& arena);
    // A counted string of at most limit characters; a longer count (or one beyond the buffer) fails before
    // its text is read.
    BOOL ReadText(std::wstring& text, size_t limit);
    // The bytes taken from the file so far (read ahead but not taken do not count).
    uint64_t GetPosition() const { return m_qwordDelivered - (m_end - m_pos); }

private:
    // Makes bytes (at most the buffer's size) available at m_pos; false when the file ends or fails first.
    bool Fill(size_t bytes);

    CQFile& m_file;
    std::unique_ptr<BYTE[]> m_pBuffer;
    size_t m_pos = 0;
    size_t m_end = 0;
    uint64_t m_qwordDelivered = 0;
};
