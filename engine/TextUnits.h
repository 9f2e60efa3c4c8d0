// Scans and copies of UTF-16LE text as the queue handles it for every write record: names in a driver
// reply (any alignment) and their one-byte form when every unit is below 0x100. Long names pass through
// here several times per record, so the loops take 16 bytes at a step where the processor allows it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TextUnits
{
// The index of the first unit 0 among units UTF-16LE units at text, or units when there is none.
size_t FindZeroUnit(const uint8_t* text, size_t units);
// Whether any of units UTF-16LE units at text is 0x100 or above.
bool AnyWide(const uint8_t* text, size_t units);
// The low bytes of units UTF-16LE units at text, one byte a unit, into out.
void Narrow(uint8_t* out, const uint8_t* text, size_t units);
// count bytes at text as UTF-16 units into out.
void Widen(wchar_t* out, const uint8_t* text, size_t count);
} // namespace TextUnits
