// Synthetic system file events for tests, built from the published layouts with the offsets written out
// for each version and pointer size (not computed the way the program computes them), so that an offset
// the program gets wrong shows up. Fields the program must not read hold conspicuous junk.
#pragma once

#include <windows.h>

#include <evntcons.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/events/FileEventTranslator.h"
#include "engine/events/KernelFileEvents.h"

namespace file_events_test
{

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
};

// Header flags that say the pointer size.
USHORT FlagsFor(uint32_t pointerSize);

// The length a write's payload needs up to its IOFlags, per the layouts.
size_t WriteMinimumLength(Shape shape);

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
