#include "engine/health/AtaPages.h"

#include "engine/health/LittleEndian.h"

namespace
{
// IDENTIFY DEVICE words (ACS-3).
constexpr size_t kSerialWord = 10;
constexpr size_t kSerialWords = 10;
constexpr size_t kFirmwareWord = 23;
constexpr size_t kFirmwareWords = 4;
constexpr size_t kModelWord = 27;
constexpr size_t kModelWords = 20;
constexpr size_t kSectorSizeWord = 106;
constexpr size_t kLogicalSectorWordsWord = 117;
constexpr size_t kRotationRateWord = 217;
constexpr size_t kIntegrityWord = 255;
constexpr uint8_t kIntegritySignature = 0xA5;
constexpr uint32_t kSmallestSector = 512;
constexpr uint32_t kLargestSector = 65536;

// Device Statistics log: each page starts with a header qword whose byte 2 is the page number; each
// statistic is a qword whose top byte holds its flags.
constexpr size_t kPageNumberByte = 2;
constexpr size_t kSupportedCountByte = 8;
constexpr size_t kSupportedListByte = 9;
constexpr uint64_t kStatisticSupported = 1ull << 63;
constexpr uint64_t kStatisticValid = 1ull << 62;

constexpr size_t kSmartTableByte = 2;
constexpr size_t kSmartEntries = 30;
constexpr size_t kSmartEntryBytes = 12;

uint16_t Word(const uint8_t* data, size_t word)
{
    return ReadU16(data + 2 * word);
}

// ATA strings hold two characters per word, the first in the high byte.
std::wstring AtaString(const uint8_t* data, size_t firstWord, size_t words)
{
    std::wstring text;
    for (size_t w = firstWord; w < firstWord + words; ++w)
    {
        for (uint8_t c : {data[2 * w + 1], data[2 * w]})
            text += (c >= 0x20 && c < 0x7F) ? static_cast<wchar_t>(c) : L'?';
    }
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

bool IsPowerOfTwo(uint64_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

// The value of a statistic: `bytes` low bytes, when its flags say supported and valid.
bool Statistic(const uint8_t* page, size_t offset, size_t bytes, uint64_t& value)
{
    const uint64_t word = ReadU64(page + offset);
    if ((word & kStatisticSupported) == 0 || (word & kStatisticValid) == 0)
        return false;
    value = ReadLittleEndian(page + offset, bytes);
    return true;
}

bool IsPage(const uint8_t* page, size_t length, uint8_t pageNumber)
{
    return page != nullptr && length >= kAtaSectorBytes && page[kPageNumberByte] == pageNumber;
}
} // namespace

bool ParseAtaIdentify(const uint8_t* data, size_t length, CQAtaIdentity& identity)
{
    if (data == nullptr || length < kAtaSectorBytes)
        return false;
    if (data[2 * kIntegrityWord] == kIntegritySignature)
    {
        uint8_t sum = 0;
        for (size_t i = 0; i < kAtaSectorBytes; ++i)
            sum = static_cast<uint8_t>(sum + data[i]);
        if (sum != 0)
            return false;
    }
    identity = CQAtaIdentity();
    identity.serial = AtaString(data, kSerialWord, kSerialWords);
    identity.firmware = AtaString(data, kFirmwareWord, kFirmwareWords);
    identity.model = AtaString(data, kModelWord, kModelWords);
    identity.solidState = Word(data, kRotationRateWord) == 1;
    const uint16_t sectorSize = Word(data, kSectorSizeWord);
    // Bit 14 set and bit 15 clear: the word is valid; bit 12: the logical sector is longer than 256 words.
    if ((sectorSize & 0xC000) == 0x4000 && (sectorSize & 0x1000) != 0)
    {
        const uint64_t words = static_cast<uint64_t>(Word(data, kLogicalSectorWordsWord)) |
                               (static_cast<uint64_t>(Word(data, kLogicalSectorWordsWord + 1)) << 16);
        const uint64_t bytes = words * 2;
        identity.logicalSectorSize =
            (IsPowerOfTwo(bytes) && bytes >= kSmallestSector && bytes <= kLargestSector)
                ? static_cast<uint32_t>(bytes)
                : 0;
    }
    return true;
}

bool ParseSupportedStatisticsPages(const uint8_t* page, size_t length, std::vector<uint8_t>& pages)
{
    pages.clear();
    if (!IsPage(page, length, 0))
        return false;
    const size_t count = page[kSupportedCountByte];
    // The list cannot run past the page.
    for (size_t i = 0; i < count && kSupportedListByte + i < kAtaSectorBytes; ++i)
        pages.push_back(page[kSupportedListByte + i]);
    return true;
}

bool ApplyStatisticsPage(const uint8_t* page, size_t length, uint8_t pageNumber,
                         CQDeviceStatistics& statistics)
{
    if (!IsPage(page, length, pageNumber))
        return false;
    uint64_t value = 0;
    switch (pageNumber)
    {
    case 0x01:
        if (Statistic(page, 0x10, 4, value))
            statistics.powerOnHours = value;
        if (Statistic(page, 0x18, 6, value))
            statistics.sectorsWritten = value;
        if (Statistic(page, 0x28, 6, value))
            statistics.sectorsRead = value;
        break;
    case 0x05:
        if (Statistic(page, 0x08, 1, value))
            statistics.temperature = static_cast<int8_t>(value);
        break;
    case 0x07:
        if (Statistic(page, 0x08, 1, value))
            statistics.percentUsed = static_cast<uint32_t>(value);
        break;
    default:
        break;
    }
    return true;
}

std::vector<CQSmartAttribute> ParseSmartAttributes(const uint8_t* data, size_t length)
{
    std::vector<CQSmartAttribute> attributes;
    if (data == nullptr || length < kAtaSectorBytes)
        return attributes;
    for (size_t i = 0; i < kSmartEntries; ++i)
    {
        const uint8_t* entry = data + kSmartTableByte + i * kSmartEntryBytes;
        if (entry[0] == 0)
            continue;
        CQSmartAttribute attribute;
        attribute.id = entry[0];
        attribute.normalized = entry[3];
        attribute.worst = entry[4];
        attribute.raw = ReadLittleEndian(entry + 5, 6);
        attributes.push_back(attribute);
    }
    return attributes;
}
