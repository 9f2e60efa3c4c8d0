// The parsers of the drives' answers over crafted bytes: the pages of real drives (the public readings of
// drive-health.md) give the figures their owners saw, and damaged answers are refused or cut to what came,
// never read past (each answer ends right before a no-access page).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/health/AtaCommands.h"
#include "engine/health/AtaPages.h"
#include "engine/health/DiskReading.h"
#include "engine/health/NvmeHealthLog.h"
#include "engine/health/StorageAnswers.h"
#include "engine/health/VendorAttributes.h"
#include "engine/health/VolumeDisks.h"
#include "support/DrivePages.h"
#include "support/GuardedBuffer.h"

namespace
{
void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An answer placed so that its last byte touches the guard page.
class Guarded
{
public:
    explicit Guarded(const std::vector<uint8_t>& bytes) : m_buffer(bytes.size() + 16)
    {
        m_data = m_buffer.Place(bytes.data(), bytes.size());
    }
    const uint8_t* Data() const { return m_data; }

private:
    GuardedBuffer m_buffer;
    const uint8_t* m_data;
};

// STORAGE_DEVICE_DESCRIPTOR as winioctl.h lays it out: Version 0, Size 4, VendorIdOffset 12, ProductIdOffset
// 16, ProductRevisionOffset 20, SerialNumberOffset 24, BusType 28; 40 bytes before the strings.
std::vector<uint8_t> Descriptor(uint32_t busType, const char* vendor, const char* product, const char* serial)
{
    std::vector<uint8_t> bytes(40, 0);
    Put32(bytes, 0, 40);
    Put32(bytes, 28, busType);
    const struct
    {
        size_t field;
        const char* text;
    } strings[] = {{12, vendor}, {16, product}, {24, serial}};
    for (const auto& string : strings)
    {
        if (string.text == nullptr)
            continue;
        Put32(bytes, string.field, static_cast<uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), string.text, string.text + std::strlen(string.text) + 1);
    }
    Put32(bytes, 4, static_cast<uint32_t>(bytes.size()));
    return bytes;
}

// STORAGE_PROTOCOL_DATA_DESCRIPTOR: Version and Size (48), then STORAGE_PROTOCOL_SPECIFIC_DATA from offset 8,
// whose ProtocolDataOffset (at 8 + 16) counts from offset 8 and ProtocolDataLength sits at 8 + 20.
std::vector<uint8_t> ProtocolAnswer(const std::vector<uint8_t>& page, uint32_t dataOffset,
                                    uint32_t dataLength)
{
    std::vector<uint8_t> bytes(48 + page.size(), 0);
    Put32(bytes, 0, 48);
    Put32(bytes, 4, 48);
    Put32(bytes, 8, 3); // ProtocolTypeNvme
    Put32(bytes, 8 + 16, dataOffset);
    Put32(bytes, 8 + 20, dataLength);
    std::copy(page.begin(), page.end(), bytes.begin() + 48);
    return bytes;
}
} // namespace

TEST(NvmeHealthLogTest, PublicReadingsGiveTheBytesSmartctlPrinted)
{
    // Intel SSDPEDME400G4: Percentage Used 12 %, Data Units Written 682,594,316 (smartctl: [349 TB]).
    drive_pages::NvmeHealth intel;
    intel.percentageUsed = 12;
    intel.dataUnitsWritten = 682594316;
    intel.dataUnitsRead = 1000;
    intel.temperatureKelvin = 308;
    intel.availableSpare = 99;
    intel.spareThreshold = 10;
    intel.powerOnHours = 20123;
    const std::vector<uint8_t> page = drive_pages::NvmeHealthPage(intel);
    Guarded guarded(page);
    CQDiskReading reading;
    ASSERT_TRUE(ParseNvmeHealthLog(guarded.Data(), page.size(), reading));
    EXPECT_EQ(CQHealthSource::nvme, reading.source);
    ASSERT_TRUE(reading.hostBytesWritten.has_value());
    EXPECT_EQ(349488289792000ull, *reading.hostBytesWritten);
    EXPECT_EQ(512000000ull, reading.hostBytesRead.value_or(0));
    EXPECT_EQ(12u, reading.percentUsed.value_or(999));
    EXPECT_FALSE(reading.wearFromAttribute);
    EXPECT_EQ(35, reading.temperature.value_or(-999)) << "308 K";
    EXPECT_EQ(99, reading.availableSpare.value_or(0));
    EXPECT_EQ(10, reading.spareThreshold.value_or(0));
    EXPECT_EQ(20123u, reading.powerOnHours.value_or(0));
    EXPECT_EQ(0, reading.criticalWarning.value_or(0xFF));
}

TEST(NvmeHealthLogTest, CountersSaturateAndAnUnreportedTemperatureStaysAbsent)
{
    drive_pages::NvmeHealth fields;
    fields.dataUnitsWritten = 5;
    fields.dataUnitsWrittenHigh = 1;   // beyond 64 bits
    fields.dataUnitsRead = 1ull << 60; // fits 64 bits, but not once multiplied by 512,000
    fields.temperatureKelvin = 0;
    const std::vector<uint8_t> page = drive_pages::NvmeHealthPage(fields);
    CQDiskReading reading;
    ASSERT_TRUE(ParseNvmeHealthLog(page.data(), page.size(), reading));
    EXPECT_EQ(UINT64_MAX, reading.hostBytesWritten.value_or(0));
    EXPECT_EQ(UINT64_MAX, reading.hostBytesRead.value_or(0));
    EXPECT_FALSE(reading.temperature.has_value());
}

TEST(NvmeHealthLogTest, APageShorterThanItsFieldsIsRefusedAndChangesNothing)
{
    const std::vector<uint8_t> page = drive_pages::NvmeHealthPage({});
    const std::vector<uint8_t> cut(page.begin(), page.begin() + 143); // the power-on hours end at byte 143
    Guarded guarded(cut);
    CQDiskReading reading;
    reading.percentUsed = 77u;
    EXPECT_FALSE(ParseNvmeHealthLog(guarded.Data(), cut.size(), reading));
    EXPECT_EQ(77u, reading.percentUsed.value_or(0));
    EXPECT_EQ(CQHealthSource::none, reading.source);
}

TEST(StorageAnswersTest, TheProtocolDataMustLieWithinTheAnswer)
{
    const std::vector<uint8_t> page(512, 0xAB);
    struct Case
    {
        const char* what;
        std::vector<uint8_t> answer;
        size_t returned;
        bool found;
    };
    std::vector<Case> cases = {
        {"as the storage stack answers", ProtocolAnswer(page, 40, 512), 560, true},
        {"fewer bytes returned than the page", ProtocolAnswer(page, 40, 512), 559, false},
        {"an offset into the descriptor itself", ProtocolAnswer(page, 8, 512), 560, false},
        {"an offset that wraps when added", ProtocolAnswer(page, 0xFFFFFFF0u, 0x20), 560, false},
        {"a length that wraps when added", ProtocolAnswer(page, 40, 0xFFFFFFFFu), 560, false},
        {"shorter than the descriptor", ProtocolAnswer({}, 40, 0), 47, false},
    };
    std::vector<uint8_t> wrongVersion = ProtocolAnswer(page, 40, 512);
    Put32(wrongVersion, 0, 40);
    cases.push_back({"a descriptor of another version", wrongVersion, 560, false});
    for (Case& c : cases)
    {
        c.answer.resize(c.returned);
        Guarded guarded(c.answer);
        size_t offset = 12345;
        size_t length = 12345;
        EXPECT_EQ(c.found, LocateProtocolData(guarded.Data(), c.returned, offset, length)) << c.what;
        if (c.found)
        {
            EXPECT_EQ(48u, offset) << c.what;
            EXPECT_EQ(512u, length) << c.what;
        }
    }
}

TEST(StorageAnswersTest, DescriptorStringsAreTrimmedAndBoundedByWhatCame)
{
    std::vector<uint8_t> answer =
        Descriptor(17, nullptr, "  Samsung SSD 970 EVO Plus 1TB  ", "S4EWNX0R123456");
    Guarded whole(answer);
    CQDeviceDescriptor descriptor;
    ASSERT_TRUE(ParseDeviceDescriptor(whole.Data(), answer.size(), descriptor));
    EXPECT_EQ(17u, descriptor.busType);
    EXPECT_EQ(L"", descriptor.vendor);
    EXPECT_EQ(L"Samsung SSD 970 EVO Plus 1TB", descriptor.product);
    EXPECT_EQ(L"S4EWNX0R123456", descriptor.serial);
    EXPECT_EQ(answer.size(), DescriptorSizeNeeded(whole.Data(), 8));

    // Cut inside the serial, which then has no NUL: the string ends with the answer.
    const size_t cut = answer.size() - 5;
    Guarded shortened(std::vector<uint8_t>(answer.begin(), answer.begin() + static_cast<long>(cut)));
    ASSERT_TRUE(ParseDeviceDescriptor(shortened.Data(), cut, descriptor));
    EXPECT_EQ(L"S4EWNX0R12", descriptor.serial) << "14 characters and the NUL, 5 bytes cut";

    // An offset beyond the answer and bytes outside printable ASCII.
    std::vector<uint8_t> odd = Descriptor(11, "ATA\x01", "X", nullptr);
    Put32(odd, 24, 100000);
    ASSERT_TRUE(ParseDeviceDescriptor(odd.data(), odd.size(), descriptor));
    EXPECT_EQ(L"ATA?", descriptor.vendor);
    EXPECT_EQ(L"", descriptor.serial);

    EXPECT_FALSE(ParseDeviceDescriptor(answer.data(), 31, descriptor)) << "BusType ends at byte 31";
    EXPECT_EQ(0u, DescriptorSizeNeeded(answer.data(), 7));
}

TEST(AtaPagesTest, IdentifyGivesTheSwappedStringsAndTheLogicalSectorSize)
{
    drive_pages::AtaIdentify fields;
    fields.model = "INTEL SSDSC2KB480G8";
    fields.serial = "PHYF812345678901";
    fields.firmware = "XCV10110";
    fields.logicalSectorBytes = 4096;
    const std::vector<uint8_t> page = drive_pages::AtaIdentifyPage(fields);
    Guarded guarded(page);
    CQAtaIdentity identity;
    ASSERT_TRUE(ParseAtaIdentify(guarded.Data(), page.size(), identity));
    EXPECT_EQ(L"INTEL SSDSC2KB480G8", identity.model);
    EXPECT_EQ(L"PHYF812345678901", identity.serial);
    EXPECT_EQ(L"XCV10110", identity.firmware);
    EXPECT_EQ(4096u, identity.logicalSectorSize);
    EXPECT_TRUE(identity.solidState);

    fields.logicalSectorBytes = 0;
    fields.solidState = false;
    ASSERT_TRUE(ParseAtaIdentify(drive_pages::AtaIdentifyPage(fields).data(), 512, identity));
    EXPECT_EQ(512u, identity.logicalSectorSize) << "without word 106's bits the sector is 512 bytes";
    EXPECT_FALSE(identity.solidState);
}

TEST(AtaPagesTest, IdentifyWithABadChecksumOrAnImpossibleSectorIsNotTrusted)
{
    drive_pages::AtaIdentify fields;
    fields.model = "CT1000MX500SSD1";
    std::vector<uint8_t> page = drive_pages::AtaIdentifyPage(fields);
    page[2 * 27] ^= 0x20; // one character changed after the checksum was made
    CQAtaIdentity identity;
    identity.model = L"untouched";
    EXPECT_FALSE(ParseAtaIdentify(page.data(), page.size(), identity));
    EXPECT_EQ(L"untouched", identity.model);

    fields.logicalSectorBytes = 1000; // not a power of two
    ASSERT_TRUE(ParseAtaIdentify(drive_pages::AtaIdentifyPage(fields).data(), 512, identity));
    EXPECT_EQ(0u, identity.logicalSectorSize);

    EXPECT_FALSE(ParseAtaIdentify(drive_pages::AtaIdentifyPage(fields).data(), 511, identity));
}

TEST(AtaPagesTest, DeviceStatisticsOfTheIntelD3S4510)
{
    // Lenovo OEM Intel D3-S4510: Logical Sectors Written 29,165,644,238 (01h / 18h).
    drive_pages::DeviceStatistics fields;
    fields.logicalSectorsWritten = 29165644238ull;
    fields.logicalSectorsRead = 1234567ull;
    fields.powerOnHours = 26000;
    fields.temperature = -5;
    fields.percentageUsed = 3;
    const std::vector<uint8_t> log = drive_pages::DeviceStatisticsLog(fields);
    std::vector<uint8_t> supported;
    ASSERT_TRUE(ParseSupportedStatisticsPages(log.data(), 512, supported));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x01, 0x05, 0x07}), supported);
    CQDeviceStatistics statistics;
    for (uint8_t page : {0x01, 0x05, 0x07})
    {
        Guarded guarded(std::vector<uint8_t>(log.begin() + page * 512, log.begin() + (page + 1) * 512));
        EXPECT_TRUE(ApplyStatisticsPage(guarded.Data(), 512, page, statistics)) << int(page);
    }
    EXPECT_EQ(29165644238ull, statistics.sectorsWritten.value_or(0));
    EXPECT_EQ(1234567ull, statistics.sectorsRead.value_or(0));
    EXPECT_EQ(26000u, statistics.powerOnHours.value_or(0));
    EXPECT_EQ(-5, statistics.temperature.value_or(0));
    EXPECT_EQ(3u, statistics.percentUsed.value_or(0));
}

TEST(AtaPagesTest, AStatisticThatIsNotValidOrAPageOfAnotherNumberIsNotTaken)
{
    drive_pages::DeviceStatistics fields;
    fields.logicalSectorsWritten = 1000;
    fields.powerOnHours = 10;
    std::vector<uint8_t> log = drive_pages::DeviceStatisticsLog(fields);
    log[512 + 0x18 + 7] = 0x80; // Logical Sectors Written: supported, but its value not valid
    CQDeviceStatistics statistics;
    ASSERT_TRUE(ApplyStatisticsPage(log.data() + 512, 512, 0x01, statistics));
    EXPECT_FALSE(statistics.sectorsWritten.has_value());
    EXPECT_EQ(10u, statistics.powerOnHours.value_or(0));

    CQDeviceStatistics other;
    EXPECT_FALSE(ApplyStatisticsPage(log.data() + 512, 512, 0x07, other)) << "the header names page 01h";
    EXPECT_FALSE(ApplyStatisticsPage(log.data() + 512, 511, 0x01, other));
    EXPECT_FALSE(other.percentUsed.has_value() || other.powerOnHours.has_value());

    // A list that claims more pages than a page holds stops at the page's end.
    std::vector<uint8_t> page0(log.begin(), log.begin() + 512);
    page0[8] = 255;
    std::fill(page0.begin() + 9, page0.end(), 0x07);
    Guarded guarded(page0);
    std::vector<uint8_t> supported;
    ASSERT_TRUE(ParseSupportedStatisticsPages(guarded.Data(), 512, supported));
    EXPECT_EQ(255u, supported.size());
}

TEST(VendorAttributesTest, ConvertedOnlyWhereTheMakersUnitIsKnown)
{
    struct Case
    {
        const wchar_t* model;
        std::vector<drive_pages::SmartAttribute> attributes;
        CQHealthSource source;
        std::optional<uint64_t> bytes;
        uint8_t rawAttribute;
        std::optional<uint32_t> wear;
    };
    const Case cases[] = {
        // Crucial CT1000MX500SSD1: 246 raw 23,996,625,190 = 12,286,272,097,280 bytes (512-byte sectors).
        {L"CT1000MX500SSD1",
         {{246, 100, 23996625190ull}, {202, 96, 4}},
         CQHealthSource::attr246,
         12286272097280ull,
         0,
         4u},
        // Intel: 241 in units of 32 MiB.
        {L"INTEL SSDSC2BB480G4",
         {{241, 100, 1000}, {233, 98, 0}},
         CQHealthSource::attr241,
         33554432000ull,
         0,
         2u},
        // Toshiba HK4R: 241 in units of 32 MiB.
        {L"TOSHIBA THNSF8HK4R", {{241, 100, 3}}, CQHealthSource::attr241, 100663296ull, 0, std::nullopt},
        // A maker whose unit is not known: the counter is shown raw, never converted.
        {L"ACME SSD 256", {{241, 100, 777}}, CQHealthSource::none, std::nullopt, 241, std::nullopt},
        // 246 on a drive that is not Crucial's or Micron's means something else.
        {L"Samsung SSD 860 EVO 500GB",
         {{246, 100, 55}, {177, 99, 12}},
         CQHealthSource::none,
         std::nullopt,
         246,
         1u},
        // A normalized value above 100 is no percentage.
        {L"KINGSTON SA400S37240G",
         {{241, 100, 2}, {231, 120, 0}},
         CQHealthSource::attr241,
         2147483648ull,
         0,
         std::nullopt},
    };
    for (const Case& c : cases)
    {
        const std::vector<uint8_t> page = drive_pages::SmartDataPage(c.attributes);
        Guarded guarded(page);
        CQDiskReading reading;
        ApplyVendorAttributes(c.model, ParseSmartAttributes(guarded.Data(), page.size()), reading);
        EXPECT_EQ(c.source, reading.source) << c.model;
        EXPECT_EQ(c.bytes, reading.hostBytesWritten) << c.model;
        EXPECT_EQ(c.rawAttribute, reading.rawWriteAttribute) << c.model;
        EXPECT_EQ(c.wear, reading.percentUsed) << c.model;
        EXPECT_EQ(c.wear.has_value(), reading.wearFromAttribute) << c.model;
    }
    EXPECT_TRUE(ParseSmartAttributes(drive_pages::SmartDataPage({{241, 1, 1}}).data(), 511).empty());
}

TEST(AtaCommandsTest, TheDataOfAnAnswerNeedsAStatusWithoutErrorAndIsBoundedByWhatCame)
{
    const CQAtaCommand identify = AtaIdentifyCommand();
    std::vector<uint8_t> answer = BuildAtaPassThrough(identify);
    ASSERT_EQ(48u + 512u, answer.size()) << "ATA_PASS_THROUGH_EX is 48 bytes on x64";
    EXPECT_EQ(0xEC, answer[40 + 6]) << "the command register of the current task file";
    answer[40 + 6] = 0x50; // the status register as a drive leaves it: ready, no error
    size_t offset = 0;
    size_t length = 0;
    ASSERT_TRUE(AtaPassThroughData(answer.data(), 48 + 100, identify, offset, length));
    EXPECT_EQ(48u, offset);
    EXPECT_EQ(100u, length);
    answer[40 + 6] = 0x51; // error bit
    EXPECT_FALSE(AtaPassThroughData(answer.data(), answer.size(), identify, offset, length));
    EXPECT_FALSE(AtaPassThroughData(answer.data(), 47, identify, offset, length));

    // SENDCMDOUTPARAMS: cBufferSize (4 bytes), DRIVERSTATUS (bDriverError first), data from byte 16.
    const CQAtaCommand smart = SmartReadDataCommand();
    std::vector<uint8_t> received(SmartReceiveAnswerBytes(smart), 0);
    ASSERT_EQ(16u + 512u, received.size());
    Put32(received, 0, 4096); // more than the command asked for
    ASSERT_TRUE(SmartReceiveData(received.data(), received.size(), smart, offset, length));
    EXPECT_EQ(16u, offset);
    EXPECT_EQ(512u, length);
    received[4] = 1; // SMART_IDE_ERROR
    EXPECT_FALSE(SmartReceiveData(received.data(), received.size(), smart, offset, length));
}

TEST(VolumeDisksTest, ExtentsNameEachDiskOnceAndStopAtTheAnswersEnd)
{
    // VOLUME_DISK_EXTENTS: the count, padding to 8, then DISK_EXTENTs of 24 bytes (DiskNumber first).
    std::vector<uint8_t> answer(8 + 3 * 24, 0);
    Put32(answer, 0, 5); // claims five extents; three came
    Put32(answer, 8, 2);
    Put32(answer, 8 + 24, 0);
    Put32(answer, 8 + 48, 2);
    Guarded guarded(answer);
    EXPECT_EQ((std::vector<uint32_t>{2, 0}), ParseExtentDisks(guarded.Data(), answer.size()));
    EXPECT_TRUE(ParseExtentDisks(answer.data(), 7).empty());
}
