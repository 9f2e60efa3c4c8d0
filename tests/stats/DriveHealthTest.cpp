// The drive health of a monitor whose C: lies on a stand-in NVMe disk with the public reading of an Intel
// SSDPEDME400G4: the start's log line, "Drive History.csv" written at each save and at exit (beside it
// while another program holds it), the comparison with Tavrello's measurement and where it restarts, the
// rating kept by serial, and the warnings.
#include <gtest/gtest.h>

#include <memory>

#include "app/Registry.h"
#include "engine/MonitorFixture.h"
#include "stats/health/DriveHealth.h"
#include "stats/health/DriveHistoryCsv.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryClock.h"
#include "support/DrivePages.h"
#include "support/RegistryScratch.h"
#include "support/StandinDisk.h"

namespace
{
const int32_t kDay = DayNumberFromDate(2025, 6, 1);
constexpr DWORD kRequestTimeoutMs = 2000;
// Generous: reached only when something is broken.
constexpr DWORD kWaitMs = 60000;
const wchar_t kSerial[] = L"CVMD4352001W400FGN";
const wchar_t kSettingsPath[] = L"software\\Orvek software\\Tavrello";

class TestClock : public CQHistoryClock
{
public:
    int32_t LocalDay() const override { return day; }
    int32_t day = kDay;
};

class DriveHealthTest : public MonitorTest
{
protected:
    void SetUp() override
    {
        if (!standin_test::StandinDiskPresent())
            GTEST_SKIP() << "the Wine stand-in standin_disk.sys is not built";
        ASSERT_TRUE(standin_test::CreateStandinDisk()) << "error " << GetLastError();
        SetSettingsStore(&m_store);
        AddDrive(L"\\Device\\HarddiskVolume1", L"C:")->m_intInstances = 1;
        m_monitor->m_pSaveObserver = m_health.get();
        Intel(12, 682594316);
        ASSERT_TRUE(standin_test::StartStandinDisk()) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        m_health->Finish(*m_monitor, 0);
        m_monitor->m_pSaveObserver = nullptr;
        SetSettingsStore(nullptr);
        EXPECT_TRUE(standin_test::DeleteStandinDisk()) << "error " << GetLastError();
    }

    // Intel SSDPEDME400G4 with this wear and Data Units Written.
    void Intel(uint8_t percentUsed, uint64_t unitsWritten)
    {
        drive_pages::NvmeHealth health;
        health.percentageUsed = percentUsed;
        health.dataUnitsWritten = unitsWritten;
        health.temperatureKelvin = 310;
        health.powerOnHours = 19000;
        const standin_test::StandinDiskValues disk(0);
        ASSERT_TRUE(disk.SetDword(L"BusType", 17));
        ASSERT_TRUE(disk.SetString(L"Model", L"INTEL SSDPEDME400G4"));
        ASSERT_TRUE(disk.SetString(L"Serial", kSerial));
        ASSERT_TRUE(disk.SetBinary(L"NvmeHealth", drive_pages::NvmeHealthPage(health)));
    }

    void Start()
    {
        m_health->Start(*m_monitor, m_folder.Path(), CQHealthReader::kDefaultPeriodMs, kRequestTimeoutMs);
    }

    // Polls as the main window's refresh does until a round is taken; the warnings it gave.
    std::vector<std::wstring> PollRound()
    {
        const uint64_t version = m_health->GetVersion();
        std::vector<std::wstring> warnings;
        for (DWORD waited = 0; waited < kWaitMs && m_health->GetVersion() == version; waited += 20)
        {
            std::vector<std::wstring> some = m_health->Poll(*m_monitor);
            warnings.insert(warnings.end(), some.begin(), some.end());
            if (m_health->GetVersion() == version)
                Sleep(20);
        }
        EXPECT_NE(version, m_health->GetVersion()) << "no round was taken";
        return warnings;
    }

    // A round asked for now (as "Read now" does), taken as the refresh takes it.
    void ReadAgain()
    {
        m_health->RequestReading(*m_monitor);
        for (int round = 0; round < 4 && m_health->IsReading(); ++round)
            PollRound();
        EXPECT_FALSE(m_health->IsReading());
    }

    std::string HistoryBytes() const
    {
        std::string bytes;
        ReadWholeFile(m_folder.File(L"Drive History.csv"), bytes);
        return bytes;
    }

    bool Logged(const std::wstring& line) const
    {
        for (const std::wstring& logged : m_log.Lines())
            if (logged == line)
                return true;
        return false;
    }

    std::wstring Stored(const wchar_t* section) const
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!ReadRegistryValue(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\" + section, kSerial,
                               type, data))
            return L"<none>";
        if (type == REG_DWORD && data.size() == 4)
            return std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data()));
    }

    TavrelloRegistryScratch m_registry;
    CQRegistry m_store{L"Orvek software", L"Tavrello"};
    TestClock m_clock;
    std::unique_ptr<CQDriveHealth> m_health = std::make_unique<CQDriveHealth>(&m_clock);
};

const std::string kHeader = "\xEF\xBB\xBF"
                            "Date,Disk,Model,Serial,Host bytes written,Host bytes read,Percentage used,"
                            "Power-on hours,Temperature,Source\r\n";
} // namespace

TEST_F(DriveHealthTest, TheStartLogsTheDiskAndEachSaveWritesTheDaysRow)
{
    Start();
    PollRound();
    EXPECT_TRUE(
        Logged(L"Drive health: Disk 0 (C:), INTEL SSDPEDME400G4, NVMe, source nvme (device property), host "
               L"writes 317.86 Tb (349488289792000 bytes), wear 12 %"));
    ASSERT_EQ(1u, m_health->GetViews().size());
    EXPECT_EQ(L"C:", m_health->GetViews()[0].reading.letters);
    EXPECT_EQ(std::string(), HistoryBytes()) << "written at a save, not before";

    // The save itself writes the last reading; no refresh is needed for it.
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_EQ(
        kHeader +
            "2025-06-01,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,349488289792000,0,12,19000,37,nvme\r\n",
        HistoryBytes());
    PollRound();

    // Later that day the drive wrote 1000 more units: the day keeps its last reading. The next day adds a
    // row.
    Intel(12, 682595316);
    ReadAgain();
    ASSERT_TRUE(m_monitor->SaveData());
    PollRound();
    m_clock.day = kDay + 1;
    ReadAgain();
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_EQ(
        kHeader +
            "2025-06-01,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,349488801792000,0,12,19000,37,nvme\r\n"
            "2025-06-02,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,349488801792000,0,12,19000,37,nvme\r\n",
        HistoryBytes());
}

TEST_F(DriveHealthTest, RowsOfAFileHeldByAnotherProgramWaitBesideItAndReachItWhenItIsFree)
{
    Start();
    PollRound();
    ASSERT_TRUE(m_monitor->SaveData());
    PollRound();
    const std::string first = HistoryBytes();
    ASSERT_NE(std::string(), first);

    // A spreadsheet holds the file open, denying writes, while the drive wears on and the program saves
    // and closes.
    Intel(13, 700000000);
    ReadAgain();
    HANDLE held = CreateFileW(m_folder.File(L"Drive History.csv").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(m_monitor->SaveData());
    m_health->Finish(*m_monitor, kWaitMs);
    EXPECT_EQ(first, HistoryBytes()) << "the held file is left as it is";
    std::string waiting;
    EXPECT_TRUE(ReadWholeFile(m_folder.File(L"Drive History.csv.pending"), waiting));
    bool told = false;
    for (const std::wstring& line : m_log.Lines())
        told = told || line.rfind(L"Drive History.csv can't be replaced (", 0) == 0;
    EXPECT_TRUE(told) << "the log says where the rows wait";

    // The next run reads the rows that waited; its first save after the file is free puts them in it.
    m_health = std::make_unique<CQDriveHealth>(&m_clock);
    m_monitor->m_pSaveObserver = m_health.get();
    Start();
    ASSERT_EQ(1u, m_health->GetHistory().Rows().size());
    EXPECT_EQ(13u, m_health->GetHistory().Rows()[0].percentUsed.value_or(0));
    CloseHandle(held);
    PollRound();
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_EQ(
        kHeader +
            "2025-06-01,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,358400000000000,0,13,19000,37,nvme\r\n",
        HistoryBytes());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW(m_folder.File(L"Drive History.csv.pending").c_str()));
}

TEST_F(DriveHealthTest, TheExitWritesTheFileWithTheLastSavesReadingEvenWithoutARefresh)
{
    Start();
    PollRound();
    Intel(13, 700000000);
    ASSERT_TRUE(m_monitor->SaveData());
    m_health->Finish(*m_monitor, kWaitMs);
    EXPECT_EQ(
        kHeader +
            "2025-06-01,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,358400000000000,0,13,19000,37,nvme\r\n",
        HistoryBytes());
    EXPECT_FALSE(m_health->IsStarted());
}

TEST_F(DriveHealthTest, AnExitWhileTheDiskDoesNotAnswerKeepsTheLastReadings)
{
    Start();
    PollRound();
    ASSERT_TRUE(standin_test::StandinDiskValues(0).SetDword(L"Stall", 1));
    ASSERT_TRUE(m_monitor->SaveData());
    // The wait is cut short: the thread's request is cancelled, and the file holds the earlier reading.
    m_health->Finish(*m_monitor, 200);
    EXPECT_EQ(
        kHeader +
            "2025-06-01,0,INTEL SSDPEDME400G4,CVMD4352001W400FGN,349488289792000,0,12,19000,37,nvme\r\n",
        HistoryBytes());
    EXPECT_TRUE(Logged(L"Drive health: the disks did not answer in time; the last readings are kept"));
}

TEST_F(DriveHealthTest, TheComparisonRunsFromTheFirstReadingAndStartsAgainAfterAClear)
{
    Account(L"\\Device\\HarddiskVolume1\\before.txt", 1000);
    Start();
    PollRound();
    EXPECT_EQ(L"2025-06-01 349488289792000 1000", Stored(L"Drive Baselines"));

    // 1000 units (512,000,000 bytes) written by the drive, a quarter of that measured on C:.
    Intel(12, 682595316);
    Account(L"\\Device\\HarddiskVolume1\\after.txt", 128000000);
    m_health->RequestReading(*m_monitor);
    PollRound();
    ASSERT_EQ(1u, m_health->GetViews().size());
    const CQDriveHealthCells cells = DescribeDrive(m_health->GetViews()[0]);
    EXPECT_EQ(L"488.28 Mb", cells.cells[kColumnSinceFirstRead]) << "512,000,000 bytes";
    EXPECT_EQ(L"122.07 Mb", cells.cells[kColumnMeasured]) << "128,000,000 bytes";
    EXPECT_EQ(L"4.00", cells.cells[kColumnRatio]);

    // The next run goes on from the stored start.
    m_health = std::make_unique<CQDriveHealth>(&m_clock);
    m_monitor->m_pSaveObserver = m_health.get();
    m_clock.day = kDay + 3;
    Start();
    PollRound();
    EXPECT_EQ(kDay, m_health->GetViews()[0].baseline.day);
    EXPECT_EQ(L"4.00", DescribeDrive(m_health->GetViews()[0]).cells[kColumnRatio]);

    // Clearing the collected data takes the measured bytes away: the comparison starts again.
    m_monitor->Clear(0);
    m_health->RequestReading(*m_monitor);
    PollRound();
    EXPECT_EQ(L"2025-06-04 349488801792000 0", Stored(L"Drive Baselines"));
    EXPECT_TRUE(Logged(L"Drive health: Disk 0 (C:), INTEL SSDPEDME400G4: the comparison with Tavrello's "
                       L"measurement starts again (a count went back)"));
}

TEST_F(DriveHealthTest, TheRatingIsKeptBySerial)
{
    Start();
    PollRound();
    ASSERT_TRUE(m_health->SetRatedTbw(0, 600));
    EXPECT_EQ(L"600", Stored(L"Drive Ratings"));
    EXPECT_FALSE(m_health->SetRatedTbw(1, 600)) << "no such drive";

    m_health = std::make_unique<CQDriveHealth>(&m_clock);
    m_monitor->m_pSaveObserver = m_health.get();
    Start();
    PollRound();
    EXPECT_EQ(600u, m_health->GetViews()[0].ratedTbw);
    ASSERT_TRUE(m_health->SetRatedTbw(0, 0));
    EXPECT_EQ(L"<none>", Stored(L"Drive Ratings"));
}

TEST_F(DriveHealthTest, WearPassing90IsWarnedOnceAndNotAgainInTheNextRun)
{
    Intel(91, 682594316);
    Start();
    const std::vector<std::wstring> warnings = PollRound();
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ(L"Disk 0 (C:), INTEL SSDPEDME400G4: its wear has passed 90 % (91 % of its life used)",
              warnings[0]);
    EXPECT_TRUE(Logged(L"Drive health: " + warnings[0]));
    m_health->RequestReading(*m_monitor);
    EXPECT_TRUE(PollRound().empty());
    ASSERT_TRUE(m_monitor->SaveData());
    m_health->Finish(*m_monitor, kWaitMs);

    // The file holds 91 %: the next run says nothing until the wear passes 100 %.
    m_health = std::make_unique<CQDriveHealth>(&m_clock);
    m_monitor->m_pSaveObserver = m_health.get();
    Start();
    EXPECT_TRUE(PollRound().empty());
    Intel(100, 682594316);
    m_health->RequestReading(*m_monitor);
    const std::vector<std::wstring> later = PollRound();
    ASSERT_EQ(1u, later.size());
    EXPECT_NE(std::wstring::npos, later[0].find(L"passed 100 %")) << later[0];
}
