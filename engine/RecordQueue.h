// The record queue between the retrieval and the processing thread: a stack of write entries (the newest
// is taken first). Entries and their strings live in segments that are kept and reused, so a steady flow
// allocates nothing and a growing queue never copies what it holds. A burst can queue hundreds of
// thousands of entries, so they are kept small: a name whose units are all below 0x100 takes one byte a
// unit, and a process name equal to the one of the entry below is stored once.
//
// Not locked: the monitor's queue lock guards every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/QueueEntry.h"

class CQRecordQueue
{
public:
    CQRecordQueue() = default;
    CQRecordQueue(const CQRecordQueue&) = delete;
    CQRecordQueue& operator=(const CQRecordQueue&) = delete;

    // Entries waiting.
    size_t GetCount() const { return m_count; }
    // Entries that the storage holds without growing.
    size_t GetCapacity() const { return m_arrEntrySegments.size() * kEntriesPerSegment; }

    // Appends an entry; the names are copied. fileName points to fileNameLength UTF-16 units of any
    // alignment (a record's name inside a reply).
    void Push(const void* fileName, size_t fileNameLength, const wchar_t* processName,
              size_t processNameLength, uint32_t processId, uint64_t bytes);

    // Moves the newest entries, newest first, into out (at most max of them); returns how many.
    size_t PopNewest(QueueEntry* out, size_t max);
    // Gives back the storage that the waiting entries do not use (all of it when none waits).
    void ReleaseSpare();

private:
    static constexpr size_t kEntriesPerSegment = 4096;
    static constexpr size_t kBytesPerSegment = 128 * 1024;

    // Entry flags.
    static constexpr uint32_t kFileWide = 1;    // the file name holds UTF-16 units, else one byte a unit
    static constexpr uint32_t kProcessWide = 2; // the same for the process name
    static constexpr uint32_t kOwnsText = 4;    // the entry took text storage; taking the entry gives it back
    static constexpr uint32_t kProcessFirst = 8; // that storage starts with the process name, else the file's
    static constexpr uint32_t kSegmentShift = 8; // above: the text segment of that storage

    struct Entry
    {
        const uint8_t* fileName;
        const uint8_t* processName;
        uint32_t fileNameLength;
        uint32_t processNameLength;
        uint32_t processId;
        uint32_t flags;
        uint64_t bytes;
    };
    struct TextSegment
    {
        std::unique_ptr<uint8_t[]> bytes;
        size_t capacity;
    };

    Entry& At(size_t index)
    {
        return m_arrEntrySegments[index / kEntriesPerSegment][index % kEntriesPerSegment];
    }
    // Room for bytes of text (2-aligned when aligned is set) in the current segment or a following one.
    uint8_t* TakeText(size_t bytes, bool aligned);
    static void CopyOut(const uint8_t* text, uint32_t length, bool wide, std::wstring& out);

    std::vector<std::unique_ptr<Entry[]>> m_arrEntrySegments;
    std::vector<TextSegment> m_arrTextSegments;
    size_t m_count = 0;
    size_t m_textSegment = 0; // segment in use, and the bytes used in it
    size_t m_textUsed = 0;
};
