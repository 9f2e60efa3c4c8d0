// Synthetic system file events for tests. Their payloads are laid out by the manifest tables below, one
// per event and version with each field's offset written out for 32- and 64-bit pointers (read from the
// provider's published templates, not computed the way the program computes them), so that an offset the
// program gets wrong shows up. Fields the program must not read hold conspicuous junk.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/events/FileEventTranslator.h"
#include "engine/events/KernelFileEvents.h"

namespace file_events_test
{

enum class FieldType
{
    U32,
    U64,
    Pointer,
    Text // NUL-terminated UTF-16, the last field
};

struct ManifestField
{
    const char* name;
    FieldType type;
    uint32_t offset32;
    uint32_t offset64;
};

struct ManifestTable
{
    const char* event;
    std::vector<ManifestField> fields;
    // The field's offset for the pointer size (4 or 8); the table must have it.
    uint32_t OffsetOf(const std::string& field, uint32_t pointerSize) const;
};

// Kernel-File 16 Write.
extern const ManifestTable kWriteV0;
extern const ManifestTable kWriteV1;
// Kernel-File 12 Create and 30 CreateNewFile (one template).
extern const ManifestTable kCreateV0;
extern const ManifestTable kCreateV1;
// Kernel-File 10 NameCreate and 11 NameDelete (one template, version 0 only).
extern const ManifestTable kFileNameV0;
// The rundown's classic FileIo FileRundown (opcode 36).
extern const ManifestTable kFileRundown;

// Every table, for checks over all of them.
std::vector<const ManifestTable*> AllManifestTables();

// The payload of the table's event: each field named in `values` holds its value, every other field junk;
// a Text field holds `text` (with its NUL unless withNul is false).
std::vector<BYTE> BuildPayload(const ManifestTable& table, uint32_t pointerSize,
                               const std::map<std::string, uint64_t>& values, const std::wstring& text = L"",
                               bool withNul = true);

// The version and pointer size an event is built for.
struct Shape
{
    UCHAR version = 1;
    uint32_t pointerSize = 8;
};

struct SyntheticEvent
{
    FileEventHead head = {};
    std::vector<BYTE> payload;
    // An EVENT_RECORD over the head and the payload (UserData points into payload).
    EVENT_RECORD Record() const;
    // The same event with this time stamp in its header.
    SyntheticEvent At(LONGLONG timeStamp) const;
};

// Header flags that say the pointer size.
USHORT FlagsFor(uint32_t pointerSize);

// Writes of versions above 1 are laid out as version 1.
const ManifestTable& WriteTable(UCHAR version);
const ManifestTable& CreateTable(UCHAR version);

SyntheticEvent Write(Shape shape, uint32_t processId, uint64_t fileObject, uint64_t fileKey, uint32_t ioSize,
                     uint32_t ioFlags = 0);
// NameCreate (10) or NameDelete (11); withNul false leaves the terminating NUL out.
SyntheticEvent KeyName(USHORT id, uint32_t pointerSize, uint64_t fileKey, const std::wstring& name,
                       bool withNul = true);
// Create (12) or CreateNewFile (30).
SyntheticEvent Create(Shape shape, uint64_t fileObject, const std::wstring& name, USHORT id = 12);
// The rundown's FileRundown (classic opcode 36) under the given provider GUID.
SyntheticEvent Rundown(uint32_t pointerSize, uint64_t fileKey, const std::wstring& name,
                       const GUID& provider = KernelRundownProviderGuid);
// The session's report of lost events (opcode 32, 33 or 34).
SyntheticEvent LossReport(UCHAR opcode = 32);

// UTF-16LE bytes of the text, with the NUL or without.
std::vector<BYTE> NameBytes(const std::wstring& name, bool withNul = true);

} // namespace file_events_test
