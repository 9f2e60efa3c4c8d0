// CRC-32C (Castagnoli; reflected polynomial 0x82F63B78, initial value and final XOR 0xFFFFFFFF), the
// checksum of iSCSI, SCTP and ext4. The trailers of saved files (SaveTrailer.h) carry it.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues a checksum over more bytes; start with 0. Crc32c(Crc32c(0, a), b) is the checksum of a
// followed by b. Uses the processor's CRC32 instruction where there is one.
uint32_t Crc32c(uint32_t crc, const void* data, size_t bytes);
// The same, always computed with tables: what runs on a processor without the instruction.
uint32_t Crc32cWithTables(uint32_t crc, const void* data, size_t bytes);
