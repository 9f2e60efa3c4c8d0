// From the system's file events to writes: the name events fill the name maps, a write event becomes a
// write with its file's name. Pure code over the header fields and the payload bytes, so that crafted
// events can be handed to it; it never reads outside the payload's given length.
//
// Events reach it in the order of their time stamps as far as the source could restore it, but one may
// still come late; so no event undoes a newer one: a name deletion removes a key only when it carries the
// name stored for it, and a rundown name fills only a key that has none.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/events/FileNameMap.h"

// The header fields the translation and the ordering read.
struct FileEventHead
{
    GUID ProviderId;
    LONGLONG TimeStamp;
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
};

struct FileEventCounts
{
    uint64_t Events = 0;
    uint64_t Writes = 0;
    // Writes whose file had no name, and their bytes: they cannot be placed on a volume, so they are
    // reported and never counted.
    uint64_t UnnamedWrites = 0;
    uint64_t UnnamedBytes = 0;
    uint64_t PagingWrites = 0;
    // Events of a known kind too short for the fields they must have; nothing is taken from them.
    uint64_t Malformed = 0;
    // The session's reports that it lost events or buffers.
    uint64_t LossReports = 0;
    uint64_t RundownNames = 0;
    uint64_t EventNames = 0;
    // Name deletions that carried another name than the one stored (a late deletion of a reused key).
    uint64_t StaleDeletions = 0;
};

// Longest name taken over, in characters (the longest a kernel name can be).
constexpr size_t FileEventMaxNameChars = 32767;

class CQFileEventTranslator
{
public:
    // Memory for the names by file key (name events and the rundown) and by file object (creates).
    static constexpr size_t DefaultKeyNameBytes = 64u << 20;
    static constexpr size_t DefaultObjectNameBytes = 32u << 20;

    explicit CQFileEventTranslator(size_t keyNameBytes = DefaultKeyNameBytes,
                                   size_t objectNameBytes = DefaultObjectNameBytes);

    // Takes one event. True when it is a write, which is then described in `write`.
    bool Translate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload, FileWrite& write);

    const FileEventCounts& Counts() const { return m_counts; }
    const CQFileNameMap& KeyNames() const { return m_mapKeys; }
    const CQFileNameMap& ObjectNames() const { return m_mapObjects; }

private:
    bool TranslateWrite(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload, FileWrite& write);
    // A key at offset 0 and a name after it (name events and the rundown); false when malformed.
    bool ReadKeyedName(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload, uint64_t& key,
                       std::wstring& name);
    void TakeNameCreate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);
    void TakeNameDelete(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);
    void TakeRundown(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);
    void TakeCreate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload);

    CQFileNameMap m_mapKeys;
    CQFileNameMap m_mapObjects;
    FileEventCounts m_counts;
};
