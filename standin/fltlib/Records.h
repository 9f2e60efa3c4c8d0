// Log records in the driver's reply layout.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin
{

// One logged operation, its path still as the source gave it (DOS or device path).
struct WriteEvent
{
    uint32_t ProcessId = 0;
    uint8_t OperationCode = 4;
    uint32_t RequestFlags = 0;
    uint32_t RecordType = 0;
    uint32_t WriteLength = 0;
    uint64_t ReadLength = 0;
    std::wstring Path;
};

// A record for the event with the given device path: the 48-byte header, the NUL-terminated name, padded
// with zeros to a multiple of 8 bytes so that the next record's 64-bit field stays aligned.
std::vector<BYTE> EncodeRecord(const WriteEvent& event, const std::wstring& devicePath, uint32_t sequence);

// The name of a record given byte by byte: empty when the record is too short, is a tag record or its
// Length disagrees with its size.
std::wstring RecordName(const std::vector<BYTE>& record);

} // namespace standin
