// The stand-in disk driver under Wine, spoken to with the documented Windows layouts written out here (not
// the program's): it takes the place of Wine's \\.\PhysicalDrive0 and gives it back, answers from its values
// read at every request, fails what a device without that support would fail, and keeps a stalled request
// until it is cancelled.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstring>
#include <vector>

#include "support/StandinDisk.h"

namespace
{
uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

class Drive
{
public:
    explicit Drive(DWORD flags = 0)
        : m_h(CreateFileW(L"\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr))
    {
    }
    ~Drive()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    Drive(const Drive&) = delete;
    Drive& operator=(const Drive&) = delete;
    HANDLE Get() const { return m_h; }

    // One request; the answer resized to what came, or false with the error in GetLastError.
    bool Ask(DWORD code, std::vector<uint8_t> input, std::vector<uint8_t>& answer, size_t answerBytes)
    {
        answer.assign(answerBytes, 0xCC);
        DWORD returned = 0;
        if (!DeviceIoControl(m_h, code, input.empty() ? nullptr : input.data(),
                             static_cast<DWORD>(input.size()), answer.data(),
                             static_cast<DWORD>(answer.size()), &returned, nullptr))
            return false;
        answer.resize(returned);
        return true;
    }

    // STORAGE_PROPERTY_QUERY: PropertyId, QueryType 0, then (for the protocol queries) a
    // STORAGE_PROTOCOL_SPECIFIC_DATA asking for NVMe log page 02h, its data after the 40 bytes.
    bool Property(uint32_t id, std::vector<uint8_t>& answer, size_t answerBytes)
    {
        std::vector<uint8_t> query(8 + 40 + 512, 0);
        std::memcpy(query.data(), &id, 4);
        const uint32_t specific[] = {3, 2, 2, 0, 40, 512};
        std::memcpy(query.data() + 8, specific, sizeof(specific));
        return Ask(IOCTL_STORAGE_QUERY_PROPERTY, query, answer, answerBytes);
    }

    // ATA_PASS_THROUGH_EX (48 bytes on x64) with the data after it; the command's task file.
    bool Ata(uint8_t command, uint8_t features, uint8_t lbaLow, uint8_t lbaMid, std::vector<uint8_t>& answer)
    {
        std::vector<uint8_t> request(48 + 512, 0);
        ATA_PASS_THROUGH_EX header = {};
        header.Length = sizeof(header);
        header.AtaFlags =
            ATA_FLAGS_DATA_IN | ATA_FLAGS_DRDY_REQUIRED | (command == 0x2F ? ATA_FLAGS_48BIT_COMMAND : 0);
        header.DataTransferLength = 512;
        header.TimeOutValue = 5;
        header.DataBufferOffset = 48;
        const uint8_t taskFile[8] = {features, 1,      lbaLow, lbaMid, uint8_t(command == 0xB0 ? 0xC2 : 0),
                                     0xA0,     command};
        std::memcpy(header.CurrentTaskFile, taskFile, 8);
        std::memcpy(request.data(), &header, sizeof(header));
        return Ask(IOCTL_ATA_PASS_THROUGH, request, answer, request.size());
    }

private:
    HANDLE m_h;
};

class StandinDiskDriverTest : public StandinDiskTest
{
protected:
    void Nvme()
    {
        std::vector<uint8_t> page(512, 0);
        page[5] = 42;
        ASSERT_TRUE(Disk(0).SetDword(L"BusType", 17));
        ASSERT_TRUE(Disk(0).SetString(L"Model", L"Probe NVMe"));
        ASSERT_TRUE(Disk(0).SetBinary(L"NvmeHealth", page));
    }
};

uint32_t BusTypeOfDrive0()
{
    Drive drive;
    std::vector<uint8_t> answer;
    std::vector<uint8_t> query(12, 0); // StorageDeviceProperty, PropertyStandardQuery
    if (!drive.Ask(IOCTL_STORAGE_QUERY_PROPERTY, query, answer, 1024) || answer.size() < 32)
        return 0xFFFF;
    return U32(answer, 28);
}
} // namespace

TEST_F(StandinDiskDriverTest, TakesThePlaceOfWinesDiskWhileItRuns)
{
    EXPECT_EQ(1u, BusTypeOfDrive0()) << "Wine's own disk reports SCSI";
    Nvme();
    StartDisks();
    EXPECT_EQ(17u, BusTypeOfDrive0());
    ASSERT_TRUE(standin_test::StopStandinDisk());
    EXPECT_EQ(1u, BusTypeOfDrive0()) << "Wine's link is put back";
}

TEST_F(StandinDiskDriverTest, AnswersTheDescriptorAndTheNvmeLogFromItsValuesAtEachRequest)
{
    Nvme();
    StartDisks();
    Drive drive;
    std::vector<uint8_t> answer;
    // The header alone says how large the whole descriptor is: 40 bytes and "Probe NVMe" with its NUL.
    ASSERT_TRUE(drive.Ask(IOCTL_STORAGE_QUERY_PROPERTY, std::vector<uint8_t>(12, 0), answer, 8));
    EXPECT_EQ(8u, answer.size());
    EXPECT_EQ(51u, U32(answer, 4));
    ASSERT_TRUE(drive.Ask(IOCTL_STORAGE_QUERY_PROPERTY, std::vector<uint8_t>(12, 0), answer, 1024));
    ASSERT_EQ(51u, answer.size());
    EXPECT_EQ(0u, U32(answer, 24)) << "no Serial value: no serial";
    EXPECT_STREQ("Probe NVMe", reinterpret_cast<const char*>(answer.data() + U32(answer, 16)));

    // The NVMe log through the device property (50): the data after the 48-byte descriptor.
    ASSERT_TRUE(drive.Property(50, answer, 8 + 40 + 512));
    ASSERT_EQ(560u, answer.size());
    EXPECT_EQ(48u, U32(answer, 0));
    EXPECT_EQ(40u, U32(answer, 8 + 16));
    EXPECT_EQ(512u, U32(answer, 8 + 20));
    EXPECT_EQ(42, answer[48 + 5]);
    EXPECT_FALSE(drive.Property(49, answer, 560)) << "the adapter property is not answered";

    // A change while the driver runs shows at the next request.
    ASSERT_TRUE(Disk(0).SetDword(L"NvmeProperty", 49));
    EXPECT_FALSE(drive.Property(50, answer, 560));
    EXPECT_TRUE(drive.Property(49, answer, 560));
    ASSERT_TRUE(Disk(0).Delete(L"NvmeHealth"));
    EXPECT_FALSE(drive.Property(49, answer, 560));
    EXPECT_FALSE(drive.Ask(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, {}, answer, 64)) << "no Size value";
    EXPECT_FALSE(drive.Ata(0xEC, 0, 0, 0, answer)) << "an NVMe bus takes no ATA commands";
    EXPECT_FALSE(drive.Ask(IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, answer, 64)) << "any other request fails";
}

TEST_F(StandinDiskDriverTest, AnswersAtaCommandsAndAbortsThoseWithoutData)
{
    std::vector<uint8_t> identify(512, 0x11);
    std::vector<uint8_t> statistics(8 * 512, 0);
    statistics[7 * 512 + 2] = 0x07;
    ASSERT_TRUE(Disk(0).SetDword(L"BusType", 11));
    ASSERT_TRUE(Disk(0).SetBinary(L"AtaIdentify", identify));
    ASSERT_TRUE(Disk(0).SetBinary(L"AtaDeviceStatistics", statistics));
    ASSERT_TRUE(Disk(0).SetQword(L"Size", 1000204886016ull));
    StartDisks();
    Drive drive;
    std::vector<uint8_t> answer;
    ASSERT_TRUE(drive.Ata(0xEC, 0, 0, 0, answer));
    ASSERT_EQ(560u, answer.size());
    EXPECT_EQ(0x50, answer[40 + 6]) << "status: ready, no error";
    EXPECT_EQ(0x11, answer[48 + 511]);
    // READ LOG EXT of log 04h, page 7 (LBA mid): the eighth 512 bytes of the value.
    ASSERT_TRUE(drive.Ata(0x2F, 0, 0x04, 7, answer));
    EXPECT_EQ(0x50, answer[40 + 6]);
    EXPECT_EQ(0x07, answer[48 + 2]);
    // Page 8 is beyond the value, and there is no SMART data: the device aborts.
    ASSERT_TRUE(drive.Ata(0x2F, 0, 0x04, 8, answer));
    EXPECT_EQ(0x51, answer[40 + 6]);
    EXPECT_EQ(0x04, answer[40 + 0]) << "error register: aborted";
    ASSERT_TRUE(drive.Ata(0xB0, 0xD0, 0, 0x4F, answer));
    EXPECT_EQ(0x51, answer[40 + 6]);

    // DISK_GEOMETRY_EX: the disk size at offset 24.
    ASSERT_TRUE(drive.Ask(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, {}, answer, 64));
    uint64_t size = 0;
    std::memcpy(&size, answer.data() + 24, 8);
    EXPECT_EQ(1000204886016ull, size);

    // With pass-through refused, SMART_RCV_DRIVE_DATA still reaches IDENTIFY: SENDCMDINPARAMS with the
    // command register at offset 10, SENDCMDOUTPARAMS with the data from byte 16.
    ASSERT_TRUE(Disk(0).SetDword(L"PassThrough", 0));
    EXPECT_FALSE(drive.Ata(0xEC, 0, 0, 0, answer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FUNCTION), GetLastError());
    std::vector<uint8_t> receive(32, 0);
    receive[1] = 0x02; // cBufferSize 512
    receive[4 + 1] = 1;
    receive[4 + 6] = 0xEC;
    ASSERT_TRUE(drive.Ask(SMART_RCV_DRIVE_DATA, receive, answer, 16 + 512));
    ASSERT_EQ(528u, answer.size());
    EXPECT_EQ(512u, U32(answer, 0));
    EXPECT_EQ(0, answer[4]) << "no driver error";
    EXPECT_EQ(0x11, answer[16]);
}

TEST_F(StandinDiskDriverTest, AStalledRequestStaysUntilItIsCancelled)
{
    Nvme();
    ASSERT_TRUE(Disk(0).SetDword(L"Stall", 1));
    StartDisks();
    Drive drive(FILE_FLAG_OVERLAPPED);
    std::vector<uint8_t> query(12, 0);
    std::vector<uint8_t> answer(1024);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD returned = 0;
    ASSERT_FALSE(DeviceIoControl(drive.Get(), IOCTL_STORAGE_QUERY_PROPERTY, query.data(), 12, answer.data(),
                                 1024, &returned, &overlapped));
    ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(overlapped.hEvent, 200));
    EXPECT_TRUE(CancelIoEx(drive.Get(), &overlapped));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(overlapped.hEvent, 30000));
    EXPECT_FALSE(GetOverlappedResult(drive.Get(), &overlapped, &returned, FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_OPERATION_ABORTED), GetLastError());
    CloseHandle(overlapped.hEvent);
}
