// Crafting replies of the Wrimon driver byte by byte for tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wrimon_test
{

struct RecordFields
{
    uint32_t length = 0; // 0: header + name + NUL
    uint32_t recordType = 0;
    uint32_t processId = 0;
    uint32_t requestFlags = 0;
    uint8_t operationCode = 4;
    uint32_t writeLength = 0;
    uint64_t readLength = 0;
    std::wstring name;
};

// A record with the fields at their offsets; the name is written NUL-terminated as far as Length allows.
std::vector<BYTE> MakeRecord(const RecordFields& fields);

// A mount-point style tag record: tag, substitute-name length and path characters in the name area.
std::vector<BYTE> MakeTagRecord(uint32_t tag, uint16_t substituteLength, const std::wstring& path,
                                uint32_t length = 0, uint32_t extraRecordType = 0);

void Append(std::vector<BYTE>& reply, const std::vector<BYTE>& record);

uint32_t LoadU32(const BYTE* p);
uint64_t LoadU64(const BYTE* p);
// The UTF-16LE characters of a byte range up to a NUL.
std::wstring LoadName(const BYTE* p, size_t cbMax);

} // namespace wrimon_test
