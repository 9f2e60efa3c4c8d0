// The tray menu and the main menu driven with the keyboard as the program's menu loop sees it, and the
// clear question answered through the real message box.
#include "main/MainWindowFixture.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "support/TempFolder.h"
#include "ui/controls/Dialog.h"

namespace
{
constexpr uint64_t kMiB = uint64_t(1) << 20;
const wchar_t kClearQuestion[] = L"Are you sure that you want to clear all collected data?";
constexpr DWORD kMenuLimitMs = 10000;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Ten minutes of monitoring with 3 MiB written, in two drives' worth of files.
CQStatisticsBlock SomeWrites()
{
    CQStatisticsBlock stats = {};
    stats.m_qwordOperations = 3;
    stats.m_qwordFiles = 5;
    stats.m_qwordRead = kMiB;
    stats.m_qwordWritten = 3 * kMiB;
    stats.m_qwordWrittenAligned = 3 * kMiB;
    stats.m_int64LastTimeStamp = 1700000000;
    stats.m_qwordMonitoringSeconds = 600;
    return stats;
}

bool WriteSomeData()
{
    return WriteSavedData(SomeWrites(), {{L"C:\\tavtest\\a.txt", 2 * kMiB}, {L"D:\\b.txt", kMiB}});
}

int TreeRows(HWND hTree)
{
    return static_cast<int>(SendMessageW(hTree, TVM_GETCOUNT, 0, 0));
}

// The first visible edit control below the window, at any depth, that shows this text.
HWND FindEditShowing(HWND parent, const std::wstring& text)
{
    struct Search
    {
        const std::wstring* text;
        HWND found;
    } search = {&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL
        {
            Search* s = reinterpret_cast<Search*>(param);
            if (WindowClass(hwnd) == L"Edit" && IsWindowVisible(hwnd) && WindowText(hwnd) == *s->text)
            {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

class MainMenuTest : public MainWindowTest
{
protected:
    HWND WaitForPopupMenu() const
    {
        return m_program.WaitForWindow(
            L"#32768", [](HWND) { return true; }, kMenuLimitMs);
    }

    // Moves down `steps` items from the top of the open popup, then chooses the item.
    void ChooseFromTop(HWND hMenu, int steps) const
    {
        for (int i = 0; i < steps; ++i)
            m_program.PostKey(hMenu, VK_DOWN);
        m_program.PostKey(hMenu, VK_RETURN);
    }

    HWND WaitForClearQuestion() const
    {
        HWND hMain = m_program.MainWindow();
        return m_program.WaitForWindow(
            L"#32770",
            [hMain](HWND hwnd) {
                return GetWindow(hwnd, GW_OWNER) == hMain &&
                       WindowText(GetDlgItem(hwnd, 0xFFFF)) == kClearQuestion;
            },
            kMenuLimitMs);
    }

    // Opens the main menu with the Menu button and chooses "Clear Collected Data" (fifth item).
    ::testing::AssertionResult AskToClear()
    {
        m_program.Click(IDC_MENU);
        HWND hMenu = WaitForPopupMenu();
        if (!hMenu)
            return ::testing::AssertionFailure() << "the main menu did not open";
        ChooseFromTop(hMenu, 5);
        return ::testing::AssertionSuccess();
    }
};

TEST_F(MainMenuTest, MainMenuOpensBelowTheMenuButtonAndEscapeDismissesIt)
{
    ASSERT_TRUE(Launch());
    RECT button = {};
    GetWindowRect(m_program.Item(IDC_MENU), &button);
    m_program.Click(IDC_MENU);
    HWND hMenu = WaitForPopupMenu();
    ASSERT_NE(nullptr, hMenu) << "the main menu did not open";
    RECT menu = {};
    GetWindowRect(hMenu, &menu);
    EXPECT_EQ(button.left, menu.left);
    EXPECT_EQ(button.bottom, menu.top);

    m_program.PostKey(hMenu, VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(hMenu); }, kMenuLimitMs));
    // Nothing chosen, nothing done: no dialog opened, the window keeps running.
    Sleep(500);
    EXPECT_EQ(nullptr, m_program.WaitForWindow(
                           L"#32770", [](HWND) { return true; }, 0));
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainMenuTest, ClearAnsweredNoKeepsTheData)
{
    ASSERT_TRUE(WriteSomeData());
    ASSERT_TRUE(Launch());
    ASSERT_EQ(L"3.00 Mb", m_program.Text(IDC_TOTAL_WRITES));
    const int rowsBefore = TreeRows(m_program.Item(IDC_FILES_TREE));

    ASSERT_TRUE(AskToClear());
    HWND hBox = WaitForClearQuestion();
    ASSERT_NE(nullptr, hBox) << "the clear question did not show";
    EXPECT_NE(nullptr, GetDlgItem(hBox, IDYES));
    PostMessageW(GetDlgItem(hBox, IDNO), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(hBox); }, kMenuLimitMs));

    // Two refreshes later nothing has changed.
    Sleep(2200);
    EXPECT_EQ(L"3.00 Mb", m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_EQ(L"0 00:10:00", m_program.Text(IDC_MONITORING_TIME));
    EXPECT_EQ(rowsBefore, TreeRows(m_program.Item(IDC_FILES_TREE)));
    EXPECT_TRUE(CloseWithEscape(m_program));

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(3 * kMiB, saved.stats.m_qwordWritten);
    EXPECT_EQ(2, saved.topLevelItems);
}

TEST_F(MainMenuTest, ClearAnsweredYesEmptiesTreeAndFigures)
{
    ASSERT_TRUE(WriteSomeData());
    ASSERT_TRUE(Launch());
    ASSERT_EQ(L"3.00 Mb", m_program.Text(IDC_TOTAL_WRITES));

    ASSERT_TRUE(AskToClear());
    HWND hBox = WaitForClearQuestion();
    ASSERT_NE(nullptr, hBox) << "the clear question did not show";
    PostMessageW(GetDlgItem(hBox, IDYES), BM_CLICK, 0, 0);

    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_TOTAL_WRITES, L"0.00 b", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_TOTAL_WRITES));
    EXPECT_EQ(L"0.00 b", m_program.Text(IDC_TOTAL_READ));
    EXPECT_EQ(L"0", m_program.Text(IDC_TOTAL_OPERATIONS));
    EXPECT_EQ(L"0", m_program.Text(IDC_TOTAL_FILES));
    EXPECT_EQ(L"0 00:00:01", m_program.Text(IDC_MONITORING_TIME));
    EXPECT_EQ(L"Calculating", m_program.Text(IDC_SSD_LIFE));
    EXPECT_EQ(0, TreeRows(m_program.Item(IDC_FILES_TREE)));
    // Monitoring stays as it was.
    EXPECT_EQ(L" Start", m_program.Text(IDC_START));
    EXPECT_TRUE(CloseWithEscape(m_program));

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(0u, saved.stats.m_qwordWritten);
    EXPECT_EQ(0u, saved.stats.m_qwordOperations);
    EXPECT_EQ(0u, saved.stats.m_qwordMonitoringSeconds);
    EXPECT_EQ(0, saved.topLevelItems);
}

TEST_F(MainMenuTest, TrayMenuShowsAHiddenWindow)
{
    SetInterfaceDword(L"m_boolStartMinimized", 1);
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    ASSERT_FALSE(IsWindowVisible(hMain));

    // The right button on the tray icon, as the shell reports it.
    PostMessageW(hMain, QM_TRAYNOTIFY, kTrayIconId, WM_RBUTTONDOWN);
    HWND hMenu = WaitForPopupMenu();
    ASSERT_NE(nullptr, hMenu) << "the tray menu did not open";
    ChooseFromTop(hMenu, 1); // "Show Tavrello Window"
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(hMain) != 0; }, kMenuLimitMs));
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainMenuTest, TrayMenuCloseEndsTheProgramThroughTheCleanUp)
{
    ASSERT_TRUE(Launch());
    PostMessageW(m_program.MainWindow(), QM_TRAYNOTIFY, kTrayIconId, WM_RBUTTONDOWN);
    HWND hMenu = WaitForPopupMenu();
    ASSERT_NE(nullptr, hMenu) << "the tray menu did not open";
    // Show, About, (separator), Close.
    ChooseFromTop(hMenu, 3);
    EXPECT_TRUE(ExpectExit(m_program));
    EXPECT_TRUE(SavedDataExists());
}

TEST_F(MainMenuTest, ButtonsAndMenusOpenTheirDialogsModally)
{
    enum Opener
    {
        button,
        mainMenu,
        trayMenu
    };
    struct Case
    {
        Opener opener;
        int idOrSteps; // the button, or the item's position from the top of the menu
        const wchar_t* caption;
    };
    const Case cases[] = {
        {button, IDC_OPTIONS, L"Application Options"},
        {button, IDC_PROCESSES, L"Processes List"},
        {mainMenu, 1, L"Monitored Drives"},
        {mainMenu, 2, L"Log Viewer"},
        {mainMenu, 3, L"Write History"},
        {mainMenu, 4, L"Drive Health"},
        {trayMenu, 2, L"About Tavrello"},
    };
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Narrow(c.caption));
        if (c.opener == button)
        {
            m_program.Click(c.idOrSteps);
        }
        else
        {
            if (c.opener == mainMenu)
                m_program.Click(IDC_MENU);
            else
                PostMessageW(hMain, QM_TRAYNOTIFY, kTrayIconId, WM_RBUTTONDOWN);
            HWND hMenu = WaitForPopupMenu();
            ASSERT_NE(nullptr, hMenu) << "the menu did not open";
            ChooseFromTop(hMenu, c.idOrSteps);
        }
        const std::wstring caption = c.caption;
        HWND hDialog = m_program.WaitForDialog(caption, kMenuLimitMs);
        ASSERT_NE(nullptr, hDialog) << "the dialog did not open";
        EXPECT_FALSE(IsWindowEnabled(hMain)) << "the main window is disabled while the dialog runs";
        PostMessageW(hDialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(
            WaitFor([&] { return !IsWindowVisible(hDialog) && IsWindowEnabled(hMain); }, kMenuLimitMs))
            << "the dialog did not end";
    }
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainMenuTest, ExportAsksForTheFileWithTodaysNameAndWritesTheTreeThere)
{
    ASSERT_TRUE(WriteSomeData());
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    m_program.Click(IDC_MENU);
    HWND hMenu = WaitForPopupMenu();
    ASSERT_NE(nullptr, hMenu) << "the main menu did not open";
    ChooseFromTop(hMenu, 6); // right after "Clear Collected Data"
    HWND hSaveAs = m_program.WaitForWindow(
        L"#32770", [&](HWND hwnd) { return GetWindow(hwnd, GW_OWNER) == hMain; }, kMenuLimitMs);
    ASSERT_NE(nullptr, hSaveAs) << "the Save As dialog did not open";

    SYSTEMTIME today = {};
    GetLocalTime(&today);
    wchar_t name[64];
    swprintf(name, 64, L"Tavrello %04u-%02u-%02u.csv", today.wYear, today.wMonth, today.wDay);
    HWND hName = nullptr;
    WaitFor([&] { return (hName = FindEditShowing(hSaveAs, name)) != nullptr; }, kMenuLimitMs);
    ASSERT_NE(nullptr, hName) << "no file name box shows " << Narrow(name);

    TempFolder folder;
    const std::wstring path = folder.File(L"exported.csv");
    SendMessageW(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(GetDlgItem(hSaveAs, IDOK), BM_CLICK, 0, 0);
    std::string bytes;
    EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(path, bytes); }, kMenuLimitMs)) << "no file was written";
    EXPECT_EQ("\xEF\xBB\xBF"
              "Path,Kind,Bytes with subitems,Bytes written,Bytes written aligned,Writer,Bytes by writer\r\n"
              "C:\\,drive,2097152,0,0,,\r\n"
              "C:\\tavtest\\,folder,2097152,0,0,,\r\n"
              "C:\\tavtest\\a.txt,file,2097152,2097152,2097152,,\r\n"
              "D:\\,drive,1048576,0,0,,\r\n"
              "D:\\b.txt,file,1048576,1048576,1048576,,\r\n",
              bytes);
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainMenuTest, BalloonClickShowsTheWindowWithTheProcessesOfAllData)
{
    SetInterfaceDword(L"m_boolStartMinimized", 1);
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    ASSERT_FALSE(IsWindowVisible(hMain));
    PostMessageW(hMain, QM_TRAYNOTIFY, kTrayIconId, NIN_BALLOONUSERCLICK);
    HWND hProcesses = m_program.WaitForDialog(L"Processes List", kMenuLimitMs);
    ASSERT_NE(nullptr, hProcesses) << "the processes dialog did not open";
    EXPECT_TRUE(IsWindowVisible(hMain));
    EXPECT_EQ(L"Item:  and its subitems, data written: 0.00 b",
              WindowText(GetDlgItem(hProcesses, IDC_PROCESSES_HEADLINE)));
    PostMessageW(hProcesses, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(hMain) != 0; }, kMenuLimitMs));
    EXPECT_TRUE(CloseWithEscape(m_program));
}
