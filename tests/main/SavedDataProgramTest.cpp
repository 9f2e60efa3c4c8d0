// The four ways the saved data was lost or hidden, met by the real program: a save cut by a power loss,
// copies whose file times lie about their order, a file another program holds as Tavrello starts, and
// "Write History.csv" held open by a spreadsheet while Tavrello closes.
#include "main/MainWindowFixture.h"

#include "data/SaveTrailer.h"
#include "resources/resource.h"
#include "stats/Format.h"
#include "stats/history/HistoryCsv.h"
#include "stats/history/DayNumber.h"
#include "support/TempFolder.h"
#include "support/WorkerThread.h"

namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

CQStatisticsBlock Totals(uint64_t written, uint64_t operations)
{
    CQStatisticsBlock stats = {};
    stats.m_qwordWritten = written;
    stats.m_qwordWrittenAligned = written;
    stats.m_qwordOperations = operations;
    stats.m_int64LastTimeStamp = 1700000000;
    stats.m_qwordMonitoringSeconds = 3600;
    return stats;
}

const std::vector<SavedWrite> kOlderWrites = {{L"C:\\tavsaved\\a.txt", 5000}};
const std::vector<SavedWrite> kNewerWrites = {
    {L"C:\\tavsaved\\a.txt", 5000}, {L"C:\\tavsaved\\b.txt", 700000}, {L"C:\\tavsaved\\c.txt", 195000}};

std::string Bytes(const std::wstring& path)
{
    std::string bytes;
    return ReadWholeFile(path, bytes) ? bytes : std::string("<no file>");
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The older data as the file, the newer one, saved as `sequence`, as "Monitored.Files.new": the saves that
// make them are the program's own, each writing its file through its temporary.
bool WriteTwoSaves(uint64_t newerSequence, std::string& newer)
{
    const std::wstring older = SavedDataPath() + L".older";
    if (!WriteSavedData(Totals(5000, 1), kOlderWrites, 1) ||
        !MoveFileExW(SavedDataPath().c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING) ||
        !WriteSavedData(Totals(900000, 3), kNewerWrites, newerSequence))
        return false;
    newer = Bytes(SavedDataPath());
    return MoveFileExW(SavedDataPath().c_str(), (SavedDataPath() + L".new").c_str(),
                       MOVEFILE_REPLACE_EXISTING) &&
           MoveFileExW(older.c_str(), SavedDataPath().c_str(), MOVEFILE_REPLACE_EXISTING);
}

void SetWriteTime(const std::wstring& path, uint64_t time)
{
    HANDLE file =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME stamp = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
    CloseHandle(file);
}

int32_t LocalToday()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return DayNumberFromDate(now.wYear, now.wMonth, now.wDay);
}

const CQHistoryDay* FindDay(const CQHistoryFileContents& contents, int32_t day)
{
    for (const CQHistoryDay& row : contents.days)
    {
        if (row.day == day)
            return &row;
    }
    return nullptr;
}
} // namespace

// 1. The newer save was cut by a power loss: full length, its last 40% never written.
TEST_F(MainWindowTest, ASaveCutByAPowerLossLosesToTheLastGoodOneAndIsKeptAndTold)
{
    std::string newer;
    ASSERT_TRUE(WriteTwoSaves(2, newer));
    std::string torn = newer;
    std::fill(torn.begin() + static_cast<ptrdiff_t>(torn.size() * 6 / 10), torn.end(), '\0');
    const std::wstring newFile = SavedDataPath() + L".new";
    ASSERT_TRUE(WriteWholeFile(newFile, torn));

    ASSERT_TRUE(Launch());
    HWND box = m_program.WaitForWindow(L"#32770", IsProgramMessageBox, kStartLimitMs);
    ASSERT_NE(nullptr, box) << "the user is not told";
    const std::wstring text = MessageText(box);
    EXPECT_NE(std::wstring::npos, text.find(newFile)) << Narrow(text);
    EXPECT_NE(std::wstring::npos, text.find(SavedDataPath() + L".torn")) << Narrow(text);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, kRefreshLimitMs)) << "the box did not close";
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, FormatSize(5000), kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_TRUE(CloseWithEscape(m_program));

    EXPECT_EQ(torn, Bytes(SavedDataPath() + L".torn"));
    EXPECT_FALSE(Exists(newFile));
    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(5000u, saved.stats.m_qwordWritten);
    EXPECT_EQ(5000u, saved.writtenInTree);
}

// 2. The clock was set back between two saves: the complete newer copy has the older file time.
TEST_F(MainWindowTest, TheCompleteNewerCopyWinsOverAFileWithALaterTime)
{
    std::string newer;
    ASSERT_TRUE(WriteTwoSaves(2, newer));
    const uint64_t earlier = 133000000000000000ULL;
    SetWriteTime(SavedDataPath() + L".new", earlier);
    SetWriteTime(SavedDataPath(), earlier + 36000000000ULL);

    ASSERT_TRUE(Launch());
    EXPECT_EQ(FormatSize(900000), m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_EQ(L"3", m_program.Text(IDC_TOTAL_OPERATIONS));
    EXPECT_EQ(nullptr, m_program.WaitForWindow(L"#32770", IsProgramMessageBox, 0)) << "nothing to tell";
    // Already in place: a program ended hard right after its start has lost nothing.
    m_program.Terminate();
    EXPECT_EQ(newer, Bytes(SavedDataPath()));
    EXPECT_FALSE(Exists(SavedDataPath() + L".new"));
}

// 3. A backup tool, an indexer or a virus scan holds the file for three seconds as Tavrello starts.
TEST_F(MainWindowTest, AFileHeldForAFewSecondsAtTheStartIsLoaded)
{
    ASSERT_TRUE(WriteSavedData(Totals(900000, 3), kNewerWrites));
    HANDLE holder = CreateFileW(SavedDataPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    std::wstring error;
    ASSERT_TRUE(m_program.Start(&error)) << Narrow(error);
    WorkerThread release(
        [holder]
        {
            Sleep(3000);
            CloseHandle(holder);
        });
    ASSERT_NE(nullptr, m_program.WaitForMainWindow(kStartLimitMs));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, FormatSize(900000), kStartLimitMs))
        << Narrow(m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_TRUE(release.Join());
    EXPECT_EQ(nullptr, m_program.WaitForWindow(L"#32770", IsProgramMessageBox, 0)) << "nothing to tell";
    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_FALSE(Exists(SavedDataPath() + L".unread"));
    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(900000u, saved.writtenInTree);
}

// 4. "Write History.csv" is held open by a spreadsheet while Tavrello closes, and freed later.
TEST_F(MainWindowTest, TheHistoryHeldOpenWhileTheProgramClosesGetsItsRowsAtTheNextSave)
{
    CQHistoryDay old;
    old.day = DayNumberFromDate(2021, 3, 1);
    old.written = 4242;
    const std::string before = FormatHistoryCsv({old}, "");
    ASSERT_TRUE(WriteWholeFile(WriteHistoryPath(), before));

    SetInterfaceDword(L"m_boolAutostartSession", 1);
    ASSERT_TRUE(Launch());
    const int32_t firstDay = LocalToday();
    EXPECT_TRUE(m_program.WaitForText(
        IDC_MONITORING_TIME, [](const std::wstring& text) { return text >= L"0 00:00:03"; },
        kRefreshLimitMs + 3000));
    // As a spreadsheet opens it: reading, letting others read and write, but not delete or rename.
    HANDLE spreadsheet = CreateFileW(WriteHistoryPath().c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, spreadsheet);
    EXPECT_TRUE(CloseWithEscape(m_program));
    const int32_t lastDay = LocalToday();
    EXPECT_EQ(before, Bytes(WriteHistoryPath()));

    // The run's rows wait beside it, complete.
    const std::string pending = Bytes(WriteHistoryPath() + L".pending");
    const CQTrailerCheck check = CheckSaveTrailer(pending);
    ASSERT_EQ(CQTrailerCheck::verified, check.state);
    const CQHistoryFileContents waiting = ParseHistoryCsv(pending.substr(0, check.length));
    const CQHistoryDay* runDay =
        FindDay(waiting, lastDay) ? FindDay(waiting, lastDay) : FindDay(waiting, firstDay);
    ASSERT_NE(nullptr, runDay);
    const uint64_t runSeconds = runDay->monitoringSeconds;
    EXPECT_GE(runSeconds, 2u);
    CloseHandle(spreadsheet);

    // The next run, with the file free: its first save (here at its end) writes them into it.
    SetInterfaceDword(L"m_boolAutostartSession", 0);
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(CloseWithEscape(m_program));
    const CQHistoryFileContents saved = ParseHistoryCsv(Bytes(WriteHistoryPath()));
    ASSERT_NE(nullptr, FindDay(saved, old.day));
    EXPECT_EQ(4242u, FindDay(saved, old.day)->written);
    const CQHistoryDay* day = FindDay(saved, runDay->day);
    ASSERT_NE(nullptr, day);
    EXPECT_EQ(runSeconds, day->monitoringSeconds);
    EXPECT_FALSE(Exists(WriteHistoryPath() + L".pending"));
}
