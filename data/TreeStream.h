// The tree's records on their way to and from the saved data file: writing and reading through one large
// buffer, so that a tree of a million items costs a few dozen system calls instead of millions of calls on
// the file. The bytes on disk are exactly those of field-by-field writes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CQFile;
class CQItemName;
class CQTreeArena;

class CQTreeWriter
{
public:
    explicit CQTreeWriter(CQFile& file);
    CQTreeWriter(const CQTreeWriter&) = delete;
    CQTreeWriter& operator=(const CQTreeWriter&) = delete;

    // Each returns 0 once a write to the file has failed; nothing more is written then.
    BOOL Write(const void* data, size_t bytes);
    BOOL WriteU32(uint32_t value) { return Write(&value, sizeof(value)); }
    // The name's first units (at most its length) as UTF-16LE.
    BOOL WriteName(const CQItemName& name, size_t units);
    // Writes what is buffered; returns whether everything reached the file.
    BOOL Flush();

private:
    CQFile& m_file;
    std::unique_ptr<BYTE[]> m_pBuffer;
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
    // Reads byteCount bytes of UTF-16LE text into name, in arena (none: the heap); an odd last byte is
    // read and dropped. Memory grows only with the bytes that the file really delivers.
    BOOL ReadName(CQItemName& name, uint32_t byteCount, CQTreeArena* arena);

private:
    // Makes bytes (at most the buffer's size) available at m_pos; false when the file ends or fails first.
    bool Fill(size_t bytes);

    CQFile& m_file;
    std::unique_ptr<BYTE[]> m_pBuffer;
    size_t m_pos = 0;
    size_t m_end = 0;
};
