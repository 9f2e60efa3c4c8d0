#include "data/SaveTrailer.h"

#include <cstring>
#include <memory>
#include <new>

#include "data/Crc32c.h"

namespace
{
const char kMarker[8] = {'T', 'a', 'v', 'S', 'a', 'v', 'e', 'd'};
// The trailer's fields before its checksum.
constexpr DWORD kCoveredTrailerBytes = 24;
// Bytes read at a time when a file is checked.
constexpr DWORD kCheckChunkBytes = 1 << 20;

uint64_t ReadU64(const BYTE* p)
{
    uint64_t value = 0;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

// The parts of the check that need the trailer's bytes only: the marker and the length. The checksum
// over everything before the last four bytes is compared by the caller.
CQTrailerCheck::State ReadTrailer(const BYTE (&trailer)[kSaveTrailerBytes], uint64_t fileSize,
                                  CQTrailerCheck& check)
{
    if (std::memcmp(trailer, kMarker, sizeof(kMarker)) != 0)
        return CQTrailerCheck::absent;
    check.length = ReadU64(trailer + 8);
    check.tag = ReadU64(trailer + 16);
    return check.length == fileSize - kSaveTrailerBytes ? CQTrailerCheck::verified : CQTrailerCheck::damaged;
}

uint32_t StoredCrc(const BYTE (&trailer)[kSaveTrailerBytes])
{
    uint32_t crc = 0;
    std::memcpy(&crc, trailer + kCoveredTrailerBytes, sizeof(crc));
    return crc;
}

CQTrailerCheck Finish(CQTrailerCheck check, CQTrailerCheck::State state, bool crcMatches)
{
    check.state = state == CQTrailerCheck::verified && !crcMatches ? CQTrailerCheck::damaged : state;
    if (check.state != CQTrailerCheck::verified)
    {
        check.length = 0;
        check.tag = 0;
    }
    return check;
}
} // namespace

void FormatSaveTrailer(uint32_t contentsCrc, uint64_t length, uint64_t tag, BYTE (&out)[kSaveTrailerBytes])
{
    std::memcpy(out, kMarker, sizeof(kMarker));
    std::memcpy(out + 8, &length, sizeof(length));
    std::memcpy(out + 16, &tag, sizeof(tag));
    const uint32_t crc = Crc32c(contentsCrc, out, kCoveredTrailerBytes);
    std::memcpy(out + kCoveredTrailerBytes, &crc, sizeof(crc));
}

DWORD CheckSaveTrailer(HANDLE file, CQTrailerCheck& check)
{
    check = CQTrailerCheck();
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size))
        return GetLastError();
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    if (fileSize < kSaveTrailerBytes)
        return NO_ERROR;

    BYTE trailer[kSaveTrailerBytes] = {};
    LARGE_INTEGER at = {};
    at.QuadPart = static_cast<LONGLONG>(fileSize - kSaveTrailerBytes);
    DWORD got = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, trailer, sizeof(trailer), &got, nullptr))
        return GetLastError();
    if (got != sizeof(trailer))
        return ERROR_HANDLE_EOF;
    const CQTrailerCheck::State state = ReadTrailer(trailer, fileSize, check);
    if (state != CQTrailerCheck::verified)
    {
        check = Finish(check, state, false);
        return NO_ERROR;
    }

    // The checksum runs over the file as it is on the disk now.
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kCheckChunkBytes]);
    if (!buffer)
        return ERROR_NOT_ENOUGH_MEMORY;
    at.QuadPart = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN))
        return GetLastError();
    uint64_t remaining = fileSize - sizeof(uint32_t);
    uint32_t crc = 0;
    while (remaining != 0)
    {
        const DWORD step = remaining < kCheckChunkBytes ? static_cast<DWORD>(remaining) : kCheckChunkBytes;
        if (!ReadFile(file, buffer.get(), step, &got, nullptr))
            return GetLastError();
        if (got == 0)
            return ERROR_HANDLE_EOF;
        crc = Crc32c(crc, buffer.get(), got);
        remaining -= got;
    }
    check = Finish(check, state, crc == StoredCrc(trailer));
    return NO_ERROR;
}

CQTrailerCheck CheckSaveTrailer(const std::string& bytes)
{
    CQTrailerCheck check;
    if (bytes.size() < kSaveTrailerBytes)
        return check;
    BYTE trailer[kSaveTrailerBytes];
    std::memcpy(trailer, bytes.data() + bytes.size() - kSaveTrailerBytes, kSaveTrailerBytes);
    const CQTrailerCheck::State state = ReadTrailer(trailer, bytes.size(), check);
    const bool crcMatches = state == CQTrailerCheck::verified &&
                            Crc32c(0, bytes.data(), bytes.size() - sizeof(uint32_t)) == StoredCrc(trailer);
    return Finish(check, state, crcMatches);
}
