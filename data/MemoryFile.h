// A file that collects what is written to it in memory, to be written to a real file later: the saved
// data is copied this way under the data lock and reaches the disk after the lock is released.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "data/File.h"

class CQMemoryFile : public CQFile
{
public:
    CQMemoryFile();

    // Appends to memory; fails (without throwing) only when memory runs out, see IsOutOfMemory.
    BOOL Write(const void* buffer, DWORD count) override;
    // Nothing to open or read: both fail.
    BOOL Open(const wchar_t* path, DWORD flags) override;
    BOOL Read(void* buffer, DWORD count) override;
    BOOL Close() override { return 1; }

    // Everything written so far, in order, to another file; 0 when one of its writes fails.
    BOOL WriteTo(CQFile& file) const;
    uint64_t GetLength() const { return m_qwordLength; }
    BOOL IsOutOfMemory() const { return m_boolOutOfMemory; }
    // Gives the memory back and starts empty.
    void Reset();

private:
    // Fixed-size pieces: no copy of everything written so far when it grows, and no need for one block
    // of the whole size.
    static constexpr DWORD kChunkBytes = 1 << 20;

    std::vector<std::unique_ptr<BYTE[]>> m_arrChunks;
    DWORD m_dwordUsedInLast = kChunkBytes;
    uint64_t m_qwordLength = 0;
    BOOL m_boolOutOfMemory = 0;
};
