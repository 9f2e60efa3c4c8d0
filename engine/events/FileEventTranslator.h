// From the system's file events to writes: the name events fill the name maps, a write event becomes a
// write with its file's name. Pure code over the header fields and the payload bytes, so that crafted
// events can be handed to it; it never reads outside the payload's given length.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/events/FileNameMap.h"

// The header fields the translation reads.
struct FileEventHead
{
    GUID ProviderId;
    ULONG ProcessId;
    USHORT Id;
    USHORT Flags;
    UCHAR Version;
    UCHAR Opcode;
};

FileEventHead FileEventHeadOf(const EVENT_HEADER& header);

// One write, with what a driver record carries.
struct FileWrite
{
    uint32_t ProcessId;
    uint32_t IoFlags;
    uint32_t IoSize;
    // Null when the file could not be named. Valid until the next event is translated.
    const std::wstring* Name;
    UCHAR Version;
    uint32_t PointerSize;
};

struct FileEventCounts
{
    uint64_t Events = 0;
    uint64_t Writes = 0;
    uint64_t UnnamedWrites = 0;
    uint64_t PagingWrites = 0;
    // Events of a known kind too short for the fields they must have; nothing is taken from them.
    uint64_t Malformed = 0;
    // The session's reports that it lost events or buffers.
    uint64_t LossReports = 0;
    uint64_t RundownNames = 0;
    uint64_t EventNames = 0;
};

// Longest name taken over, in characters (the longest a kernel name can be).
constexpr size_t FileEventMaxNameChars = 32767;

class CQFileEventTranslator
{
public:
    // Names kept per half of each name map (see CQFileNameMap).
    static constexpr size_t DefaultNamesPerHalf = 65536;

    explicit CQFileEventTranslator(size_t namesPerHalf = DefaultNamesPerHalf);

    // Takes one event. True when it is a write, which is then described in `write`.
    bool Translate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload, FileWrite& write);

    const FileEventCounts& Counts() const { return m_counts; }

private:
    bool TranslateWrite(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload, FileWrite& write);
    // A name event: the key at offset 0, the name after it (an empty name forgets the key).
    void TakeKeyedName(CQFileNameMap& map, const FileEventHead& head, const BYTE* pPayload, size_t cbPayload,
                       uint64_t& counter);
    void TakeCreateName(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);
    void ForgetKey(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);

    // By file key: name events and the rundown. By file object: creates.
    CQFileNameMap m_mapKeys;
    CQFileNameMap m_mapObjects;
    FileEventCounts m_counts;
};
