// The main window with the driver link: the service's life, the attached drives recorded at exit and the
// figures after known writes. Under Wine the driver is the stand-in (bin\wrimon.sys, and fltlib.dll in the
// prefix's system32); these tests are skipped in a build without it.
#include "main/MainWindowFixture.h"

#include <commctrl.h>

#include <fstream>

#include "resources/resource.h"
#include "stats/Format.h"
#include "support/TempFolder.h"
#include "ui/controls/Dialog.h"

namespace
{
const wchar_t kServiceName[] = L"Wrimon";
constexpr DWORD kFeedLimitMs = 20000;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The service's state, 0 when there is no such service; `error` gets OpenServiceW's error then.
DWORD ServiceState(DWORD* error = nullptr)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return 0;
    SetLastError(0);
    SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_STATUS);
    if (error)
        *error = service ? 0 : GetLastError();
    DWORD state = 0;
    if (service)
    {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status))
            state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

// The letters of the local fixed drives in letter order, concatenated (C:Z:).
std::wstring FixedDriveLetters()
{
    std::wstring letters;
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
    {
        if (!(drives & (1u << i)))
            continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_FIXED)
        {
            letters += root[0];
            letters += L':';
        }
    }
    return letters;
}

bool AppendLine(const std::wstring& file, const std::string& line)
{
    std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary | std::ios::app);
    out << line << "\n";
    return static_cast<bool>(out);
}
} // namespace

class MainDriverTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped())
            return;
        if (!TavrelloProgram::HasDriverStandIn())
            GTEST_SKIP()
                << "no driver stand-in (bin\\wrimon.sys) in this build: the driver link is not part of it";
    }
};

TEST_F(MainDriverTest, ServiceLivesWithTheProgram)
{
    ASSERT_TRUE(Launch());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState()) << "the driver is installed and started";
    EXPECT_TRUE(CloseWithEscape(m_program));
    DWORD error = 0;
    EXPECT_EQ(0u, ServiceState(&error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), error) << "the clean-up deletes the service";
}

TEST_F(MainDriverTest, AllDrivesAreAttachedAndRecordedWithoutASelection)
{
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_EQ(std::optional<std::wstring>(FixedDriveLetters()), ReadInterfaceString(L"m_csSelectedDrives"));
}

TEST_F(MainDriverTest, OnlyTheSelectedDrivesAreAttached)
{
    struct Case
    {
        const wchar_t* selected;
        const wchar_t* recorded;
    };
    // A selection naming a drive that is gone attaches nothing, and so records nothing.
    const Case cases[] = {{L"C:", L"C:"}, {L"Q:", L""}};
    for (const Case& c : cases)
    {
        SetInterfaceString(L"m_csSelectedDrives", c.selected);
        ASSERT_TRUE(Launch()) << Narrow(c.selected);
        EXPECT_TRUE(CloseWithEscape(m_program)) << Narrow(c.selected);
        EXPECT_EQ(std::optional<std::wstring>(c.recorded), ReadInterfaceString(L"m_csSelectedDrives"))
            << "selected " << Narrow(c.selected);
    }
}

TEST_F(MainDriverTest, FedWritesShowInTheFigures)
{
    TempFolder folder;
    const std::wstring feed = folder.File(L"feed.txt");
    ASSERT_TRUE(WriteWholeFile(feed, ""));
    m_program.SetEnvironment(L"WRIMON_STANDIN_FEED", feed);
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, L"Monitoring in progress...", kRefreshLimitMs));

    const std::string pid = std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(AppendLine(feed, "write " + pid + " 10000 2000 C:\\tavfeed\\a.txt"));
    ASSERT_TRUE(AppendLine(feed, "write " + pid + " 4096 0 C:\\tavfeed\\b.txt"));
    ASSERT_TRUE(AppendLine(feed, "write " + pid + " 1 0 C:\\tavfeed\\a.txt"));

    const uint64_t written = 10000 + 4096 + 1;
    const uint64_t aligned = 12288 + 4096 + 4096;
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, FormatSize(written), kFeedLimitMs))
        << Narrow(m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_OPERATIONS, L"3", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_TOTAL_OPERATIONS));
    EXPECT_EQ(FormatSize(aligned), m_program.Text(IDC_ALIGNED_WRITES));
    EXPECT_EQ(FormatSize(2000), m_program.Text(IDC_TOTAL_READ));
    // The drive, the folder and the two files.
    EXPECT_EQ(L"4", m_program.Text(IDC_TOTAL_FILES));
    EXPECT_TRUE(CloseWithEscape(m_program));

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(written, saved.stats.m_qwordWritten);
    EXPECT_EQ(aligned, saved.stats.m_qwordWrittenAligned);
    EXPECT_EQ(written, saved.writtenInTree);
}

TEST_F(MainDriverTest, ABurstOfWritesIsLoggedAsHeavyWritingAndTheBalloonListsThatMinutesWriters)
{
    TempFolder folder;
    const std::wstring feed = folder.File(L"feed.txt");
    ASSERT_TRUE(WriteWholeFile(feed, ""));
    m_program.SetEnvironment(L"WRIMON_STANDIN_FEED", feed);
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    SetInterfaceDword(L"m_intAlertMegabytesPerMinute", 1);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, L"Monitoring in progress...", kRefreshLimitMs));
    // A refresh sees the totals before the burst, so the burst is growth.
    Sleep(1500);
    ASSERT_TRUE(AppendLine(feed, "write " + std::to_string(GetCurrentProcessId()) +
                                     " 2097152 0 C:\\tavalert\\a.bin"));
    ASSERT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, L"2.00 Mb", kFeedLimitMs));

    // The program's log, as its viewer lists it.
    m_program.Click(IDC_MENU);
    HWND hMenu = m_program.WaitForWindow(
        L"#32768", [](HWND) { return true; }, kFeedLimitMs);
    ASSERT_NE(nullptr, hMenu);
    m_program.PostKey(hMenu, VK_DOWN);
    m_program.PostKey(hMenu, VK_DOWN);
    m_program.PostKey(hMenu, VK_RETURN);
    HWND hMain = m_program.MainWindow();
    HWND hViewer = m_program.WaitForDialog(L"Log Viewer", kFeedLimitMs);
    ASSERT_NE(nullptr, hViewer) << "the log viewer did not open";
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring selfName = wcsrchr(self, L'\\') + 1;
    const std::wstring alert =
        L"Heavy writing: 2.00 Mb written in the last minute, 2.00 Mb of it (100%) by " + selfName;
    int alerts = 0;
    std::string lines;
    WaitFor(
        [&]
        {
            HWND hList = GetDlgItem(hViewer, IDC_LOG_LIST);
            const int count = static_cast<int>(SendMessageW(hList, LB_GETCOUNT, 0, 0));
            alerts = 0;
            lines.clear();
            for (int i = 0; i < count; ++i)
            {
                wchar_t text[512] = {};
                if (SendMessageW(hList, LB_GETTEXTLEN, i, 0) < 511)
                    SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                const std::wstring line = text;
                lines += Narrow(line) + "\n";
                // Lines added while the viewer is open carry a time stamp in front.
                if (line.size() >= alert.size() &&
                    line.compare(line.size() - alert.size(), alert.size(), alert) == 0)
                    ++alerts;
            }
            return alerts != 0;
        },
        kFeedLimitMs);
    EXPECT_EQ(1, alerts) << lines;
    PostMessageW(hViewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(hMain) != 0; }, kFeedLimitMs));

    // The balloon's click lists the writers of the alert's minute, not of all data.
    PostMessageW(hMain, QM_TRAYNOTIFY, kTrayIconId, NIN_BALLOONUSERCLICK);
    HWND hProcesses = m_program.WaitForDialog(L"Processes List", kFeedLimitMs);
    ASSERT_NE(nullptr, hProcesses) << "the processes dialog did not open";
    const std::wstring headline = WindowText(GetDlgItem(hProcesses, IDC_PROCESSES_HEADLINE));
    EXPECT_EQ(0u, headline.find(L"Writers of the minute to ")) << Narrow(headline);
    EXPECT_EQ(L", data written: 2.00 Mb", headline.substr(headline.size() - 23)) << Narrow(headline);
    // One writer, this test program (the rows' texts live in the program's own memory).
    EXPECT_EQ(1, SendMessageW(GetDlgItem(hProcesses, IDC_PROCESSES_LIST), LVM_GETITEMCOUNT, 0, 0));
    PostMessageW(hProcesses, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(hMain) != 0; }, kFeedLimitMs));
    EXPECT_TRUE(CloseWithEscape(m_program));
}
