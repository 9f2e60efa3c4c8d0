// The trailer that ends every file a save writes: proof that each byte before it reached the disk as it
// was written. A save cut short by a power loss leaves a file whose end is missing, zeroed or garbage, or
// whose middle never arrived; none of those verifies.
//
// 28 bytes after the contents, all little-endian:
//
//   offset  size  field
//        0     8  marker, the ASCII bytes "TavSaved"
//        8     8  length of the contents before the trailer, unsigned
//       16     8  tag: what the writer needs to know again (the data file: the save's sequence number)
//       24     4  CRC-32C (Crc32c.h) of every byte before this field: the contents and offsets 0 to 23
//
// The formats that get a trailer are read front to back and ignore what follows their own end, so
// programs that do not know the trailer read these files as before.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr DWORD kSaveTrailerBytes = 28;

// Fills `out` with the trailer for `length` bytes of contents whose CRC-32C is `contentsCrc`.
void FormatSaveTrailer(uint32_t contentsCrc, uint64_t length, uint64_t tag, BYTE (&out)[kSaveTrailerBytes]);

struct CQTrailerCheck
{
    enum State
    {
        absent,   // the file does not end in a trailer (it was written without one, or its end is lost)
        damaged,  // it ends in a trailer whose length or checksum does not match the file
        verified, // every byte is as written
    };
    State state = absent;
    uint64_t length = 0; // of the contents, when verified
    uint64_t tag = 0;    // when verified
};

// Checks a whole file through an open handle with read access (its file pointer is moved; set it again
// before reading). 0 with the result, or the system's error when a read failed.
DWORD CheckSaveTrailer(HANDLE file, CQTrailerCheck& check);
// The same for bytes in memory.
CQTrailerCheck CheckSaveTrailer(const std::string& bytes);
