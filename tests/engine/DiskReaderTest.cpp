// Reading disks with real requests to \\.\PhysicalDriveN, answered by the stand-in disk driver from pages
// built after real drives' public readings: NVMe through the device or the adapter property, SATA through
// ATA pass-through or SMART_RCV_DRIVE_DATA, with and without the Device Statistics log; connections that
// carry no health query; a disk that does not answer; and the reading thread's rounds.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/health/DiskReader.h"
#include "engine/health/HealthReader.h"
#include "support/DrivePages.h"
#include "support/StandinDisk.h"

namespace
{
// Generous: a test never waits this long unless something is broken.
constexpr DWORD kTimeoutMs = 20000;
constexpr DWORD kRoundWaitMs = 60000;

class DiskReaderTest : public StandinDiskTest
{
protected:
    // Intel SSDPEDME400G4: Percentage Used 12 %, Data Units Written 682,594,316.
    void IntelNvme(uint32_t disk)
    {
        drive_pages::NvmeHealth health;
        health.percentageUsed = 12;
        health.dataUnitsWritten = 682594316;
        health.temperatureKelvin = 310;
        health.powerOnHours = 19000;
        ASSERT_TRUE(Disk(disk).SetDword(L"BusType", 17));
        ASSERT_TRUE(Disk(disk).SetString(L"Model", L"INTEL SSDPEDME400G4"));
        ASSERT_TRUE(Disk(disk).SetString(L"Serial", L"CVMD4352001W400FGN"));
        ASSERT_TRUE(Disk(disk).SetString(L"Firmware", L"8DV10171"));
        ASSERT_TRUE(Disk(disk).SetQword(L"Size", 400088457216ull));
        ASSERT_TRUE(Disk(disk).SetBinary(L"NvmeHealth", drive_pages::NvmeHealthPage(health)));
    }

    // Lenovo OEM Intel D3-S4510: Logical Sectors Written 29,165,644,238 of 512 bytes.
    void IntelSata(uint32_t disk, uint32_t logicalSectorBytes = 0)
    {
        drive_pages::AtaIdentify identify;
        identify.model = "INTEL SSDSC2KB480G8";
        identify.serial = "PHYF81230012480BGN";
        identify.firmware = "XCV10110";
        identify.logicalSectorBytes = logicalSectorBytes;
        drive_pages::DeviceStatistics statistics;
        statistics.logicalSectorsWritten = 29165644238ull;
        statistics.powerOnHours = 21000;
        statistics.temperature = 31;
        statistics.percentageUsed = 3;
        ASSERT_TRUE(Disk(disk).SetDword(L"BusType", 11));
        ASSERT_TRUE(Disk(disk).SetString(L"Model", L"Lenovo disk")); // what the descriptor says
        ASSERT_TRUE(Disk(disk).SetQword(L"Size", 480103981056ull));
        ASSERT_TRUE(Disk(disk).SetBinary(L"AtaIdentify", drive_pages::AtaIdentifyPage(identify)));
        ASSERT_TRUE(
            Disk(disk).SetBinary(L"AtaDeviceStatistics", drive_pages::DeviceStatisticsLog(statistics)));
    }

    // Crucial CT1000MX500SSD1 without a statistics log: attribute 246 raw 23,996,625,190.
    void CrucialWithoutStatistics(uint32_t disk)
    {
        drive_pages::AtaIdentify identify;
        identify.model = "CT1000MX500SSD1";
        identify.serial = "1904E1E5A1B2";
        ASSERT_TRUE(Disk(disk).SetDword(L"BusType", 11));
        ASSERT_TRUE(Disk(disk).SetBinary(L"AtaIdentify", drive_pages::AtaIdentifyPage(identify)));
        ASSERT_TRUE(Disk(disk).SetBinary(
            L"AtaSmartData", drive_pages::SmartDataPage({{246, 100, 23996625190ull}, {202, 91, 9}})));
    }
};

std::wstring Describe(const CQDiskReading& reading)
{
    return L"state " + std::to_wstring(static_cast<int>(reading.state)) + L", " + reading.detail;
}
} // namespace

TEST_F(DiskReaderTest, NvmeThroughTheDeviceProperty)
{
    IntelNvme(0);
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(L"device property", reading.detail);
    EXPECT_EQ(17u, reading.busType);
    EXPECT_EQ(L"INTEL SSDPEDME400G4", reading.model);
    EXPECT_EQ(L"CVMD4352001W400FGN", reading.serial);
    EXPECT_EQ(L"8DV10171", reading.firmware);
    EXPECT_EQ(400088457216ull, reading.sizeBytes);
    EXPECT_EQ(CQHealthSource::nvme, reading.source);
    EXPECT_EQ(349488289792000ull, reading.hostBytesWritten.value_or(0));
    EXPECT_EQ(12u, reading.percentUsed.value_or(0));
    EXPECT_EQ(37, reading.temperature.value_or(0));
    EXPECT_EQ(19000u, reading.powerOnHours.value_or(0));
}

TEST_F(DiskReaderTest, NvmeThroughTheAdapterPropertyWhenTheDeviceRefuses)
{
    IntelNvme(0);
    ASSERT_TRUE(Disk(0).SetDword(L"NvmeProperty", 49));
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(L"adapter property", reading.detail);
    EXPECT_EQ(349488289792000ull, reading.hostBytesWritten.value_or(0));
}

TEST_F(DiskReaderTest, SataThroughPassThroughAndTheStatisticsLog)
{
    IntelSata(0);
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(L"pass-through, READ LOG EXT", reading.detail);
    EXPECT_EQ(L"INTEL SSDSC2KB480G8", reading.model) << "IDENTIFY names the drive";
    EXPECT_EQ(L"PHYF81230012480BGN", reading.serial);
    EXPECT_EQ(CQHealthSource::devstats, reading.source);
    EXPECT_EQ(14932809849856ull, reading.hostBytesWritten.value_or(0)) << "smartctl: [14.9 TB]";
    EXPECT_EQ(3u, reading.percentUsed.value_or(0));
    EXPECT_FALSE(reading.wearFromAttribute);
    EXPECT_EQ(21000u, reading.powerOnHours.value_or(0));
    EXPECT_EQ(31, reading.temperature.value_or(0));
}

TEST_F(DiskReaderTest, SectorsCountInTheLogicalSectorSizeThatIdentifyGives)
{
    IntelSata(0, 4096);
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(119462478798848ull, reading.hostBytesWritten.value_or(0)) << "29,165,644,238 x 4096";
}

TEST_F(DiskReaderTest, SataThroughSmartReceiveWhenPassThroughIsRefused)
{
    IntelSata(0);
    ASSERT_TRUE(Disk(0).SetDword(L"PassThrough", 0));
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(L"SMART_RCV_DRIVE_DATA, SMART READ LOG", reading.detail);
    EXPECT_EQ(L"INTEL SSDSC2KB480G8", reading.model);
    EXPECT_EQ(14932809849856ull, reading.hostBytesWritten.value_or(0));
    EXPECT_EQ(3u, reading.percentUsed.value_or(0));
}

TEST_F(DiskReaderTest, WithoutTheStatisticsLogAVendorAttributeOfKnownUnit)
{
    CrucialWithoutStatistics(0);
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    ASSERT_EQ(CQDiskState::read, reading.state) << Describe(reading);
    EXPECT_EQ(L"pass-through, SMART READ DATA", reading.detail);
    EXPECT_EQ(CQHealthSource::attr246, reading.source);
    EXPECT_EQ(12286272097280ull, reading.hostBytesWritten.value_or(0));
    EXPECT_EQ(9u, reading.percentUsed.value_or(0));
    EXPECT_TRUE(reading.wearFromAttribute);
    EXPECT_FALSE(reading.powerOnHours.has_value()) << "attribute 9's unit is not known";
}

TEST_F(DiskReaderTest, ConnectionsWithoutHealthQueriesAreNotAvailable)
{
    // An NVMe drive behind a USB bridge: the page exists, but the bus is not one the reader asks.
    IntelNvme(0);
    ASSERT_TRUE(Disk(0).SetDword(L"BusType", 7));
    // An NVMe drive whose driver refuses the log query.
    ASSERT_TRUE(Disk(1).SetDword(L"BusType", 17));
    ASSERT_TRUE(Disk(1).SetString(L"Model", L"RAID volume"));
    StartDisks();
    for (uint32_t disk : {0u, 1u})
    {
        const CQDiskReading reading = ReadDisk(disk, kTimeoutMs, nullptr);
        EXPECT_EQ(CQDiskState::notAvailable, reading.state) << disk;
        EXPECT_EQ(std::wstring(kNotAvailableText), reading.detail) << disk;
        EXPECT_FALSE(reading.hostBytesWritten.has_value()) << disk;
    }
}

TEST_F(DiskReaderTest, WinesOwnDiskIsNotAvailable)
{
    // The service exists but is not started: \\.\PhysicalDrive0 is Wine's.
    const CQDiskReading reading = ReadDisk(0, kTimeoutMs, nullptr);
    EXPECT_EQ(CQDiskState::notAvailable, reading.state) << Describe(reading);
    EXPECT_FALSE(reading.percentUsed.has_value());
}

TEST_F(DiskReaderTest, ADiskThatDoesNotAnswerIsGivenUp)
{
    IntelNvme(0);
    ASSERT_TRUE(Disk(0).SetDword(L"Stall", 1));
    StartDisks();
    const CQDiskReading reading = ReadDisk(0, 300, nullptr);
    EXPECT_EQ(CQDiskState::noAnswer, reading.state) << Describe(reading);
    EXPECT_FALSE(reading.hostBytesWritten.has_value());
}

TEST_F(DiskReaderTest, RoundsReadTheDisksOfTheVolumesAndLeaveASilentDiskAlone)
{
    IntelNvme(0);
    StartDisks();
    CQHealthReader reader;
    ASSERT_TRUE(reader.Start(CQHealthReader::kDefaultPeriodMs, 300));
    const uint64_t first = reader.Request({L"C:"});
    ASSERT_TRUE(reader.WaitFor(first, kRoundWaitMs));
    CQHealthReader::Round round;
    ASSERT_TRUE(reader.Take(round));
    EXPECT_FALSE(reader.Take(round)) << "a round is taken once";
    EXPECT_EQ(first, round.ticket);
    ASSERT_EQ(1u, round.disks.size()) << "C: lies on disk 0 under Wine";
    EXPECT_EQ(0u, round.disks[0].disk);
    EXPECT_EQ(L"C:", round.disks[0].letters);
    EXPECT_EQ(CQDiskState::read, round.disks[0].state);

    // The disk stops answering: the round still ends, and later rounds do not ask it again even when it
    // would answer.
    ASSERT_TRUE(Disk(0).SetDword(L"Stall", 1));
    const uint64_t second = reader.Request({L"C:"});
    ASSERT_TRUE(reader.WaitFor(second, kRoundWaitMs));
    ASSERT_TRUE(reader.Take(round));
    ASSERT_EQ(1u, round.disks.size());
    EXPECT_EQ(CQDiskState::noAnswer, round.disks[0].state);
    ASSERT_TRUE(Disk(0).SetDword(L"Stall", 0));
    const uint64_t third = reader.Request({L"C:"});
    ASSERT_TRUE(reader.WaitFor(third, kRoundWaitMs));
    ASSERT_TRUE(reader.Take(round));
    ASSERT_EQ(1u, round.disks.size());
    EXPECT_EQ(CQDiskState::noAnswer, round.disks[0].state);
    reader.Stop(kRoundWaitMs);
}
