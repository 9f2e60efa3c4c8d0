#include "support/DrivePages.h"

namespace drive_pages
{
namespace
{
void PutLittleEndian(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// ATA strings: blank-padded, two characters a word, the first in the word's high byte.
void PutAtaString(std::vector<uint8_t>& page, size_t firstWord, size_t words, const std::string& text)
{
    for (size_t i = 0; i < words * 2; ++i)
    {
        const char c = i < text.size() ? text[i] : ' ';
        const size_t word = firstWord + i / 2;
        page[2 * word + ((i % 2) == 0 ? 1 : 0)] = static_cast<uint8_t>(c);
    }
}

// A Device Statistics qword: the value with "supported" (bit 63) and "valid" (bit 62) set.
void PutStatistic(std::vector<uint8_t>& log, size_t page, size_t offset, uint64_t value)
{
    PutLittleEndian(log, page * 512 + offset, value | (1ull << 63) | (1ull << 62), 8);
}
} // namespace

std::vector<uint8_t> NvmeHealthPage(const NvmeHealth& fields)
{
    std::vector<uint8_t> page(512, 0);
    page[0] = fields.criticalWarning;
    PutLittleEndian(page, 1, fields.temperatureKelvin, 2);
    page[3] = fields.availableSpare;
    page[4] = fields.spareThreshold;
    page[5] = fields.percentageUsed;
    PutLittleEndian(page, 32, fields.dataUnitsRead, 8);
    PutLittleEndian(page, 48, fields.dataUnitsWritten, 8);
    PutLittleEndian(page, 56, fields.dataUnitsWrittenHigh, 8);
    PutLittleEndian(page, 128, fields.powerOnHours, 8);
    return page;
}

std::vector<uint8_t> AtaIdentifyPage(const AtaIdentify& fields)
{
    std::vector<uint8_t> page(512, 0);
    PutAtaString(page, 10, 10, fields.serial);
    PutAtaString(page, 23, 4, fields.firmware);
    PutAtaString(page, 27, 20, fields.model);
    if (fields.logicalSectorBytes != 0)
    {
        // Word 106: bit 14 set, bit 15 clear (the word is valid), bit 12 (the logical sector is longer
        // than 256 words); words 117-118: its length in 16-bit words.
        PutLittleEndian(page, 2 * 106, 0x4000 | 0x1000, 2);
        PutLittleEndian(page, 2 * 117, fields.logicalSectorBytes / 2, 4);
    }
    PutLittleEndian(page, 2 * 217, fields.solidState ? 1 : 7200, 2);
    if (fields.integrityWord)
    {
        page[510] = 0xA5;
        uint8_t sum = 0;
        for (size_t i = 0; i < 511; ++i)
            sum = static_cast<uint8_t>(sum + page[i]);
        page[511] = static_cast<uint8_t>(0x100 - sum);
    }
    return page;
}

std::vector<uint8_t> DeviceStatisticsLog(const DeviceStatistics& fields)
{
    std::vector<uint8_t> log(8 * 512, 0);
    std::vector<uint8_t> pages = {0x00};
    const bool general = fields.logicalSectorsWritten || fields.logicalSectorsRead || fields.powerOnHours;
    if (general)
        pages.push_back(0x01);
    if (fields.temperature)
        pages.push_back(0x05);
    if (fields.percentageUsed)
        pages.push_back(0x07);
    // Each page begins with its header qword: revision 0001h, then the page number in byte 2.
    for (uint8_t page : pages)
    {
        log[page * 512 + 0] = 0x01;
        log[page * 512 + 2] = page;
    }
    log[8] = static_cast<uint8_t>(pages.size());
    for (size_t i = 0; i < pages.size(); ++i)
        log[9 + i] = pages[i];
    if (fields.powerOnHours)
        PutStatistic(log, 1, 0x10, *fields.powerOnHours);
    if (fields.logicalSectorsWritten)
        PutStatistic(log, 1, 0x18, *fields.logicalSectorsWritten);
    if (fields.logicalSectorsRead)
        PutStatistic(log, 1, 0x28, *fields.logicalSectorsRead);
    if (fields.temperature)
        PutStatistic(log, 5, 0x08, static_cast<uint8_t>(*fields.temperature));
    if (fields.percentageUsed)
        PutStatistic(log, 7, 0x08, *fields.percentageUsed);
    return log;
}

std::vector<uint8_t> SmartDataPage(const std::vector<SmartAttribute>& attributes)
{
    std::vector<uint8_t> page(512, 0);
    PutLittleEndian(page, 0, 0x0010, 2); // data structure revision
    for (size_t i = 0; i < attributes.size() && i < 30; ++i)
    {
        // Entry: id, flags (2 bytes), normalized value, worst, raw value (6 bytes), reserved.
        const size_t entry = 2 + i * 12;
        page[entry] = attributes[i].id;
        PutLittleEndian(page, entry + 1, 0x0032, 2);
        page[entry + 3] = attributes[i].normalized;
        page[entry + 4] = attributes[i].normalized;
        PutLittleEndian(page, entry + 5, attributes[i].raw, 6);
    }
    return page;
}

} // namespace drive_pages
