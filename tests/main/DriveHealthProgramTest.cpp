// The real program reads the disk behind its drives and keeps "Drive History.csv": with C: on a stand-in
// NVMe disk (the public reading of an Intel SSDPEDME400G4), the exit writes the day's row.
#include "main/MainWindowFixture.h"

#include "stats/history/DayNumber.h"
#include "support/DrivePages.h"
#include "support/StandinDisk.h"
#include "support/TempFolder.h"

namespace
{
// The stand-in disk as the service of the test, gone with the object.
class StandinDiskService
{
public:
    StandinDiskService() { m_created = standin_test::CreateStandinDisk(); }
    ~StandinDiskService() { standin_test::DeleteStandinDisk(); }
    StandinDiskService(const StandinDiskService&) = delete;
    StandinDiskService& operator=(const StandinDiskService&) = delete;
    bool IsCreated() const { return m_created; }

private:
    bool m_created = false;
};

std::string LocalDate()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    std::string text;
    for (wchar_t c : FormatDayNumber(DayNumberFromDate(now.wYear, now.wMonth, now.wDay)))
        text += static_cast<char>(c);
    return text;
}
} // namespace

TEST_F(MainWindowTest, ARunReadsTheDiskBehindCAndWritesTheDaysRowAtExit)
{
    if (!standin_test::StandinDiskPresent())
        GTEST_SKIP() << "the Wine stand-in standin_disk.sys is not built";
    StandinDiskService service;
    ASSERT_TRUE(service.IsCreated()) << "error " << GetLastError();
    drive_pages::NvmeHealth health;
    health.percentageUsed = 12;
    health.dataUnitsWritten = 682594316;
    health.dataUnitsRead = 1000;
    health.temperatureKelvin = 310;
    health.powerOnHours = 19000;
    const standin_test::StandinDiskValues disk(0);
    ASSERT_TRUE(disk.SetDword(L"BusType", 17));
    ASSERT_TRUE(disk.SetString(L"Model", L"INTEL SSDPEDME400G4"));
    ASSERT_TRUE(disk.SetString(L"Serial", L"CVMD4352001W400FGN"));
    ASSERT_TRUE(disk.SetBinary(L"NvmeHealth", drive_pages::NvmeHealthPage(health)));
    ASSERT_TRUE(standin_test::StartStandinDisk()) << "error " << GetLastError();

    const std::string before = LocalDate();
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(CloseWithEscape(m_program));
    const std::string after = LocalDate();

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(DriveHistoryPath(), bytes));
    const std::string header = "\xEF\xBB\xBF"
                               "Date,Disk,Model,Serial,Host bytes written,Host bytes read,Percentage used,"
                               "Power-on hours,Temperature,Source\r\n";
    const std::string row =
        ",0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,349488289792000,512000000,12,19000,37,nvme\r\n";
    if (before == after)
        EXPECT_EQ(header + after + row, bytes);
    else // a run over midnight has a row for each day
        EXPECT_NE(std::string::npos, bytes.find(after + row)) << bytes;
}
