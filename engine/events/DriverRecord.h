// A write in the Wrimon driver's own record layout, so that the reply walk and the counting rule take
// records of the system's events exactly as they take the driver's.
#pragma once

#include <windows.h>

#include <cstddef>

#include "engine/events/FileEventTranslator.h"

// The record's length: the 48-byte header, the name (empty for an unnamed write) with its NUL, and zeros
// up to a multiple of 8 bytes.
size_t DriverRecordLength(const FileWrite& write);
// Writes the record at p, which has room for DriverRecordLength bytes: operation 4, RequestFlags = the
// IRP flags, WriteLength = the size, ReadLength 0, no record type.
void WriteDriverRecord(BYTE* p, const FileWrite& write);

// The longest record there is.
constexpr size_t DriverRecordMaxLength = (48 + (FileEventMaxNameChars + 1) * 2 + 7) & ~size_t(7);
