// The one-second refresh as the user sees it: every figure in its own control, from a fresh start and
// from saved data, and the life estimate following the capacity box.
#include "main/MainWindowFixture.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "stats/CapacityList.h"
#include "stats/Figures.h"

namespace
{
constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr int kRow240Gb = 7;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct Figure
{
    int id;
    const wchar_t* text;
};

// A day of monitoring with 20 GiB written (21 GiB aligned) and 10 GiB read, saved by an earlier run.
CQStatisticsBlock DayOfWrites()
{
    CQStatisticsBlock stats = {};
    stats.m_qwordOperations = 1234;
    stats.m_qwordFiles = 3;
    stats.m_qwordRead = 10 * kGiB;
    stats.m_qwordWritten = 20 * kGiB;
    stats.m_qwordWrittenAligned = 21 * kGiB;
    stats.m_int64LastTimeStamp = 1700000000;
    stats.m_qwordMonitoringSeconds = 86400;
    return stats;
}

int SelectedRow(HWND hCombo)
{
    return static_cast<int>(SendMessageW(hCombo, CB_GETCURSEL, 0, 0));
}
} // namespace

TEST_F(MainWindowTest, FreshStartFillsEveryFigure)
{
    ASSERT_TRUE(Launch());
    const Figure expected[] = {
        {IDC_TOTAL_WRITES, L"0.00 b"},
        {IDC_ALIGNED_WRITES, L"0.00 b"},
        {IDC_TOTAL_READ, L"0.00 b"},
        {IDC_WRITES_PER_DAY, L"0.00 b"},
        {IDC_ALIGNED_WRITES_PER_DAY, L"0.00 b"},
        {IDC_WRITE_READ_RATIO, L"0"},
        {IDC_TOTAL_OPERATIONS, L"0"},
        {IDC_TOTAL_FILES, L"0"},
        {IDC_MONITORING_TIME, L"0 00:00:01"},
        {IDC_SSD_LIFE, L"Calculating"},
        {IDC_STATUS, L"Awaiting"},
        {IDC_QUEUE_STATUS, L"Unprocessed queue: 0 events"},
    };
    for (const Figure& figure : expected)
        EXPECT_EQ(figure.text, m_program.Text(figure.id)) << "control " << figure.id;
    // The labels are the template's.
    EXPECT_EQ(L"Total writes:", m_program.Text(IDC_TOTAL_WRITES_LABEL));
    EXPECT_EQ(L"Approx ssd life:", m_program.Text(IDC_SSD_LIFE_LABEL));
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, SavedDataShowsInTheFiguresAndTheCapacityDrivesTheLife)
{
    ASSERT_TRUE(WriteSavedData(DayOfWrites(), {{L"C:\\tavtest\\a.txt", 20 * kGiB}}));
    ASSERT_TRUE(Launch());

    const Figure expected[] = {
        {IDC_TOTAL_WRITES, L"20.00 Gb"},
        {IDC_ALIGNED_WRITES, L"21.00 Gb"},
        {IDC_TOTAL_READ, L"10.00 Gb"},
        // Bytes per second are truncated before the multiplication by a day.
        {IDC_WRITES_PER_DAY, L"20.00 Gb"},
        {IDC_ALIGNED_WRITES_PER_DAY, L"21.00 Gb"},
        {IDC_WRITE_READ_RATIO, L"2"},
        {IDC_TOTAL_OPERATIONS, L"1234"},
        {IDC_TOTAL_FILES, L"3"},
        {IDC_MONITORING_TIME, L"1 00:00:00"},
    };
    for (const Figure& figure : expected)
        EXPECT_EQ(figure.text, m_program.Text(figure.id)) << "control " << figure.id;

    // The life follows the row the capacity box shows, whichever the drives made it.
    HWND hCombo = m_program.Item(IDC_CAPACITY);
    const int row = SelectedRow(hCombo);
    ASSERT_GE(row, 0);
    ASSERT_LT(row, kCapacityCount);
    const uint64_t perDay = (20 * kGiB / 86400) * 86400;
    EXPECT_EQ(FormatLife(LifeBudgetBytes(row) / perDay), m_program.Text(IDC_SSD_LIFE)) << "row " << row;

    // Choosing 240Gb: 20 GiB a day give 7200 days, shown as 20 years at the next refresh.
    const int other = row == kRow240Gb ? 0 : kRow240Gb;
    SendMessageW(hCombo, CB_SETCURSEL, other, 0);
    SendMessageW(m_program.MainWindow(), WM_COMMAND, MAKEWPARAM(IDC_CAPACITY, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(hCombo));
    const std::wstring expectedLife =
        other == kRow240Gb ? L"20 years" : FormatLife(LifeBudgetBytes(0) / perDay);
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_SSD_LIFE, expectedLife, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_SSD_LIFE)) << " instead of " << Narrow(expectedLife);

    EXPECT_TRUE(CloseWithEscape(m_program));
    // The choice is kept for the next start; the saved totals are those loaded (monitoring stayed off).
    EXPECT_EQ(std::optional<DWORD>(other), ReadInterfaceDword(L"m_intSelectedDiskSize"));
    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(20 * kGiB, saved.stats.m_qwordWritten);
    EXPECT_EQ(86400u, saved.stats.m_qwordMonitoringSeconds);
    EXPECT_EQ(1, saved.topLevelItems);
    EXPECT_EQ(20 * kGiB, saved.writtenInTree);
}

TEST_F(MainWindowTest, StoredCapacityChoiceNeedsADriveList)
{
    // Without any listed drive the box keeps row 0 and the stored choice is neither read nor changed;
    // with drives, the stored row is selected whatever the drive's size.
    SetInterfaceDword(L"m_intSelectedDiskSize", 8);
    ASSERT_TRUE(Launch());
    const int row = SelectedRow(m_program.Item(IDC_CAPACITY));
    if (TavrelloProgram::HasDriverStandIn())
        EXPECT_EQ(8, row) << "256Gb";
    else
        EXPECT_EQ(0, row) << "no drives are listed without the driver link";
    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_EQ(std::optional<DWORD>(8), ReadInterfaceDword(L"m_intSelectedDiskSize"));
}
