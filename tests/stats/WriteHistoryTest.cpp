// The write history of a monitor with real files: the saves write "Write History.csv" beside the data
// file, the next start reads it back, and a damaged, locked or hostile file never costs a readable row.
#include <gtest/gtest.h>

#include "data/SafeReplace.h"
#include "engine/MonitorFixture.h"
#include "stats/history/DayNumber.h"
#include "stats/history/HistoryClock.h"
#include "stats/history/HistoryCsv.h"
#include "stats/history/WriteHistory.h"

namespace
{
const int32_t kDay = DayNumberFromDate(2025, 6, 1);

class TestClock : public CQHistoryClock
{
public:
    int32_t LocalDay() const override { return day; }
    uint64_t AwakeMilliseconds() const override { return awakeMs; }
    int32_t day = kDay;
    uint64_t awakeMs = 1000000;
};

class WriteHistoryTest : public MonitorTest
{
protected:
    WriteHistoryTest()
    {
        AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
        m_monitor->m_pSaveObserver = &m_history;
    }

    std::wstring HistoryFile() const { return m_folder.File(L"Write History.csv"); }
    std::wstring Pending() const { return HistoryFile() + L".pending"; }
    static bool Exists(const std::wstring& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Monitoring goes on for `seconds` with one write.
    void Monitor(uint64_t seconds, uint64_t bytes, const wchar_t* process = L"a.exe")
    {
        Account(L"\\Device\\HarddiskVolume2\\f.txt", bytes, process);
        m_monitor->m_stats.m_qwordMonitoringSeconds += seconds;
        m_clock.awakeMs += seconds * 1000;
        m_history.Refresh(*m_monitor);
    }
    CQHistoryFileContents ReadBack() const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(HistoryFile(), bytes));
        return ParseHistoryCsv(bytes);
    }
    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : m_log.Lines())
            if (line.find(part) != std::wstring::npos)
                return true;
        return false;
    }

    // The file holds one row with these figures, and nothing waits beside it.
    void ExpectOneRowAndNothingWaiting(uint64_t written, uint64_t seconds) const
    {
        const CQHistoryFileContents saved = ReadBack();
        ASSERT_EQ(1u, saved.days.size());
        EXPECT_EQ(written, saved.days[0].written);
        EXPECT_EQ(seconds, saved.days[0].monitoringSeconds);
        EXPECT_FALSE(Exists(Pending()));
    }
    // The next start of the program on the same data folder, with `history` as its write history.
    std::unique_ptr<CQMonitor> NextRun(CQWriteHistory& history)
    {
        m_monitor->m_pSaveObserver = nullptr;
        auto next = std::make_unique<CQMonitor>();
        next->m_pSettingsRunTime = &m_runTime;
        EXPECT_TRUE(next->LoadData());
        next->m_pSaveObserver = &history;
        history.Start(*next, m_folder.Path());
        return next;
    }

    TestClock m_clock;
    CQWriteHistory m_history{&m_clock};
};

TEST_F(WriteHistoryTest, EverySaveWritesTheFileAndTheNextStartGoesOnFromIt)
{
    m_history.Start(*m_monitor, m_folder.Path());
    Monitor(100, 1000);
    m_clock.day = kDay + 1;
    Monitor(50, 300, L"b.exe");
    ASSERT_TRUE(m_monitor->SaveData());

    CQHistoryFileContents saved = ReadBack();
    ASSERT_EQ(2u, saved.days.size());
    EXPECT_EQ(kDay, saved.days[0].day);
    EXPECT_EQ(1000u, saved.days[0].written);
    EXPECT_EQ(100u, saved.days[0].monitoringSeconds);
    EXPECT_EQ(L"b.exe", saved.days[1].topWriters.at(0).name);
    EXPECT_EQ(300u, saved.days[1].topWriters.at(0).bytes);
    EXPECT_EQ(0u, saved.problemCount);

    // The next run on the same day: the saved totals load again and the day goes on.
    CQWriteHistory history(&m_clock);
    const std::unique_ptr<CQMonitor> next = NextRun(history);
    next->m_stats.m_qwordWritten += 11;
    next->m_stats.m_qwordMonitoringSeconds += 5;
    m_clock.awakeMs += 5000;
    ASSERT_TRUE(next->SaveData());
    saved = ReadBack();
    ASSERT_EQ(2u, saved.days.size());
    EXPECT_EQ(311u, saved.days[1].written);
    EXPECT_EQ(55u, saved.days[1].monitoringSeconds);
    EXPECT_EQ(1000u, saved.days[0].written);
}

TEST_F(WriteHistoryTest, NothingIsWrittenBeforeTheStartOrWithoutADataFolder)
{
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(HistoryFile().c_str()));
    m_history.Start(*m_monitor, L"");
    Monitor(10, 10);
    EXPECT_EQ(1u, m_history.GetDays().size()) << "counted all the same";
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(HistoryFile().c_str()));
}

TEST_F(WriteHistoryTest, DamagedLinesAreLoggedAndOnlyUnreadableOnesLeaveTheFile)
{
    CQHistoryDay old;
    old.day = kDay - 3;
    old.written = 77;
    const std::string foreign = "Total,77,,,,,";
    ASSERT_TRUE(WriteWholeFile(HistoryFile(), std::string(kHistoryCsvHeader) + "\r\n" +
                                                  FormatHistoryRow(old) + "\r\n" + foreign +
                                                  "\r\n2025-05-30,\"broken\r\n"));
    m_history.Start(*m_monitor, m_folder.Path());
    EXPECT_TRUE(Logged(L"Write History.csv, line 3: bad date, kept in the file"));
    EXPECT_TRUE(Logged(L"Write History.csv, line 4: broken quoting, left out of the file"));
    Monitor(10, 5);
    ASSERT_TRUE(m_monitor->SaveData());

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(HistoryFile(), bytes));
    const CQHistoryFileContents saved = ParseHistoryCsv(bytes);
    ASSERT_EQ(2u, saved.days.size());
    EXPECT_EQ(77u, saved.days[0].written);
    EXPECT_EQ(5u, saved.days[1].written);
    EXPECT_EQ(foreign + "\r\n", saved.keptLines);
    EXPECT_EQ(std::string::npos, bytes.find("broken"));
}

// A file that cannot be read leaves its rows unknown: it is left alone, and the rows counted meanwhile
// wait beside it, also across a close of the program, until they can be added to it.
TEST_F(WriteHistoryTest, RowsOfAFileThatCannotBeReadWaitAndAreAddedOnceItCanBe)
{
    CQHistoryDay old;
    old.day = kDay;
    old.written = 1000;
    old.monitoringSeconds = 60;
    const std::string original = FormatHistoryCsv({old}, "");
    ASSERT_TRUE(WriteWholeFile(HistoryFile(), original));
    HANDLE lock = CreateFileW(HistoryFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);

    m_history.Start(*m_monitor, m_folder.Path());
    EXPECT_TRUE(Logged(L"Write History.csv can't be read ("));
    Monitor(10, 5);
    EXPECT_TRUE(m_monitor->SaveData()) << "the collected data is saved all the same";
    Monitor(10, 5);
    EXPECT_TRUE(m_monitor->SaveData());
    CloseHandle(lock);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(HistoryFile(), bytes));
    EXPECT_EQ(original, bytes);
    EXPECT_TRUE(Exists(Pending()));

    // The next run: the file's rows and the ones that waited.
    CQWriteHistory history(&m_clock);
    ASSERT_TRUE(NextRun(history)->SaveData());
    ExpectOneRowAndNothingWaiting(1010, 80);
}

// Held open by a spreadsheet, the file cannot be replaced: the rows wait beside it and reach it at the
// first save after it is free, in this run or a later one.
TEST_F(WriteHistoryTest, AFileThatCannotBeReplacedGetsItsRowsAtTheFirstSaveAfterItIsFree)
{
    m_history.Start(*m_monitor, m_folder.Path());
    Monitor(10, 5);
    ASSERT_TRUE(m_monitor->SaveData());
    std::string before;
    ASSERT_TRUE(ReadWholeFile(HistoryFile(), before));
    HANDLE open = CreateFileW(HistoryFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, open);
    Monitor(10, 5);
    ASSERT_TRUE(m_monitor->SaveData());
    std::string after;
    ASSERT_TRUE(ReadWholeFile(HistoryFile(), after));
    EXPECT_EQ(before, after);
    EXPECT_FALSE(Exists(HistoryFile() + L".new"));
    EXPECT_TRUE(Logged(L"Write History.csv can't be replaced ("));
    EXPECT_TRUE(Exists(Pending()));

    // Still held while the program closes: the next run reads the rows back from beside it.
    Monitor(10, 5);
    ASSERT_TRUE(m_monitor->SaveData());
    CQWriteHistory history(&m_clock);
    const std::unique_ptr<CQMonitor> next = NextRun(history);
    ASSERT_EQ(1u, history.GetDays().size());
    EXPECT_EQ(15u, history.GetDays()[0].written);
    ASSERT_TRUE(next->SaveData());
    ASSERT_TRUE(ReadWholeFile(HistoryFile(), after));
    EXPECT_EQ(before, after) << "not yet free";
    CloseHandle(open);
    ASSERT_TRUE(next->SaveData());
    ExpectOneRowAndNothingWaiting(15, 30);
}

// The file is written with the data, from the figures that the data file holds, also by an autosave; a
// save of the data that fails writes no history either.
TEST_F(WriteHistoryTest, TheFileHoldsTheFiguresOfTheSaveItWasWrittenWith)
{
    m_history.Start(*m_monitor, m_folder.Path());
    // Not yet seen by a refresh: the save itself counts it.
    Account(L"\\Device\\HarddiskVolume2\\f.txt", 700, L"a.exe");
    m_monitor->m_stats.m_qwordMonitoringSeconds += 30;
    m_clock.awakeMs += 30000;
    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    // What comes after the save began is not in this save's rows.
    m_monitor->m_backgroundSave.Wait();
    Monitor(5, 11);
    CQHistoryFileContents saved = ReadBack();
    ASSERT_EQ(1u, saved.days.size());
    EXPECT_EQ(700u, saved.days[0].written);
    EXPECT_EQ(30u, saved.days[0].monitoringSeconds);

    // A save whose data does not reach the disk.
    SetReplaceFaultHook([](CQReplaceStep step, const std::wstring&) -> DWORD
                        { return step == CQReplaceStep::flush ? ERROR_IO_DEVICE : NO_ERROR; });
    EXPECT_EQ(0, m_monitor->SaveData());
    SetReplaceFaultHook(nullptr);
    EXPECT_EQ(700u, ReadBack().days.at(0).written);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(711u, ReadBack().days.at(0).written);
}

TEST_F(WriteHistoryTest, AFolderInItsPlaceIsNeverTouched)
{
    ASSERT_TRUE(CreateDirectoryW(HistoryFile().c_str(), nullptr));
    m_history.Start(*m_monitor, m_folder.Path());
    EXPECT_TRUE(Logged(L"Write History.csv can't be read (not a plain file)"));
    Monitor(10, 5);
    ASSERT_TRUE(m_monitor->SaveData());
    EXPECT_NE(0u, GetFileAttributesW(HistoryFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace
