#include "fuzz/DriveAnswerInputs.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz/FuzzRandom.h"
#include "support/DrivePages.h"

namespace
{
using Bytes = std::vector<uint8_t>;

const uint32_t kBoundaries[] = {0,   1,    7,          8,          31,         32,         39,        40,
                                41,  47,   48,         49,         511,        512,        513,       559,
                                560, 4096, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFE, 0xFFFFFFFF};

void PutU32(Bytes& bytes, size_t offset, uint32_t value)
{
    if (offset + 4 <= bytes.size())
        std::memcpy(bytes.data() + offset, &value, 4);
}

// The 32-bit fields that give offsets, lengths and counts in each kind of answer.
std::vector<size_t> LengthFields(CQDriveAnswerKind kind)
{
    switch (kind)
    {
    case CQDriveAnswerKind::descriptor:
        return {4, 12, 16, 20, 24};
    case CQDriveAnswerKind::protocolData:
        return {0, 4, 8 + 16, 8 + 20};
    case CQDriveAnswerKind::smartReceive:
    case CQDriveAnswerKind::extents:
        return {0};
    case CQDriveAnswerKind::statisticsPage:
        return {8};
    default:
        return {};
    }
}

Bytes Descriptor(FuzzRandom& random)
{
    Bytes bytes(40, 0);
    const char* const strings[] = {"", "ATA", "  Samsung SSD 970 EVO Plus 1TB  ", "S4EWNX0R123456",
                                   "\x01\xFF\x7F"};
    PutU32(bytes, 0, 40);
    PutU32(bytes, 28, random.OneIn(2) ? 17 : 11);
    for (size_t field : {12u, 16u, 20u, 24u})
    {
        if (random.OneIn(4))
            continue;
        PutU32(bytes, field, static_cast<uint32_t>(bytes.size()));
        const std::string text = random.Pick(strings);
        bytes.insert(bytes.end(), text.begin(), text.end());
        if (!random.OneIn(5))
            bytes.push_back(0);
    }
    PutU32(bytes, 4, static_cast<uint32_t>(bytes.size()));
    return bytes;
}

Bytes NvmeLog(FuzzRandom& random)
{
    drive_pages::NvmeHealth fields;
    fields.criticalWarning = static_cast<uint8_t>(random.Next());
    fields.percentageUsed = static_cast<uint8_t>(random.Next());
    fields.dataUnitsWritten = random.Next();
    fields.dataUnitsWrittenHigh = random.OneIn(4) ? random.Next() : 0;
    fields.temperatureKelvin = static_cast<uint16_t>(random.Next());
    return drive_pages::NvmeHealthPage(fields);
}

Bytes Statistics(FuzzRandom& random, uint8_t& page)
{
    drive_pages::DeviceStatistics fields;
    fields.logicalSectorsWritten = random.Next() >> 16;
    fields.logicalSectorsRead = random.Next() >> 16;
    fields.powerOnHours = static_cast<uint32_t>(random.Next());
    fields.temperature = static_cast<int8_t>(random.Next());
    fields.percentageUsed = static_cast<uint8_t>(random.Next());
    const Bytes log = drive_pages::DeviceStatisticsLog(fields);
    const uint8_t pages[] = {0, 1, 5, 7};
    page = random.Pick(pages);
    return Bytes(log.begin() + page * 512, log.begin() + (page + 1) * 512);
}

Bytes WellFormed(CQDriveAnswerKind kind, FuzzRandom& random, uint8_t& page)
{
    switch (kind)
    {
    case CQDriveAnswerKind::descriptor:
        return Descriptor(random);
    case CQDriveAnswerKind::protocolData:
    {
        Bytes bytes(48, 0);
        PutU32(bytes, 0, 48);
        PutU32(bytes, 4, 48);
        PutU32(bytes, 8 + 16, 40);
        PutU32(bytes, 8 + 20, 512);
        const Bytes log = NvmeLog(random);
        bytes.insert(bytes.end(), log.begin(), log.end());
        return bytes;
    }
    case CQDriveAnswerKind::nvmeLog:
        return NvmeLog(random);
    case CQDriveAnswerKind::identify:
    {
        drive_pages::AtaIdentify fields;
        fields.model = "CT1000MX500SSD1";
        fields.serial = "1904E1E5A1B2";
        const uint32_t sizes[] = {0, 512, 4096, 1000, 0xFFFFFFFE};
        fields.logicalSectorBytes = random.Pick(sizes);
        fields.integrityWord = !random.OneIn(3);
        return drive_pages::AtaIdentifyPage(fields);
    }
    case CQDriveAnswerKind::statisticsPage:
        return Statistics(random, page);
    case CQDriveAnswerKind::smartData:
        return drive_pages::SmartDataPage({{246, 100, random.Next()},
                                           {241, 99, random.Next()},
                                           {202, static_cast<uint8_t>(random.Next()), 0},
                                           {231, static_cast<uint8_t>(random.Next()), 0}});
    case CQDriveAnswerKind::passThrough:
    {
        Bytes bytes(48 + 512, 0);
        bytes[46] = random.OneIn(3) ? 0x51 : 0x50;
        return bytes;
    }
    case CQDriveAnswerKind::smartReceive:
    {
        Bytes bytes(16 + 512, 0);
        PutU32(bytes, 0, 512);
        return bytes;
    }
    default:
    {
        Bytes bytes(8 + 3 * 24, 0);
        PutU32(bytes, 0, 3);
        for (size_t i = 0; i < 3; ++i)
            PutU32(bytes, 8 + i * 24, static_cast<uint32_t>(random.Below(4)));
        return bytes;
    }
    }
}
} // namespace

CQDriveAnswer MakeDriveAnswer(uint64_t runSeed, uint64_t index)
{
    FuzzRandom random(runSeed, index);
    CQDriveAnswer answer;
    answer.kind = static_cast<CQDriveAnswerKind>(random.Below(static_cast<size_t>(CQDriveAnswerKind::count)));
    Bytes bytes = WellFormed(answer.kind, random, answer.page);
    switch (random.Below(5))
    {
    case 0: // a length field at a boundary value
    {
        const std::vector<size_t> fields = LengthFields(answer.kind);
        if (!fields.empty())
            PutU32(bytes, fields[random.Below(fields.size())], random.Pick(kBoundaries));
        break;
    }
    case 1: // bits flipped
        for (size_t flips = 1 + random.Below(16); flips > 0 && !bytes.empty(); --flips)
            bytes[random.Below(bytes.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
        break;
    case 2: // cut short
        bytes.resize(random.Below(bytes.size() + 1));
        break;
    case 3: // random bytes of a random length
        bytes.resize(random.Below(kLongestDriveAnswer + 1));
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random.Next());
        break;
    default: // as it is
        break;
    }
    if (bytes.size() > kLongestDriveAnswer)
        bytes.resize(kLongestDriveAnswer);
    answer.bytes = std::move(bytes);
    return answer;
}
