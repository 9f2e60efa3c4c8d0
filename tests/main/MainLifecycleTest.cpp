// The real program from start to end: single instance, start-up state, Start/Stop, Enter and Escape, the
// close box and the session-end query.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"
#include "support/StandinService.h"
#include "support/TempFolder.h"

namespace
{
const std::wstring kMonitoring = L"Monitoring in progress...";
const std::wstring kAwaiting = L"Awaiting";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool SameTextNoCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}
} // namespace

TEST_F(MainWindowTest, WithoutAutostartItOpensShownAndAwaiting)
{
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(IsWindowVisible(m_program.MainWindow()));
    EXPECT_EQ(L" Start", m_program.Text(IDC_START)) << "the template's caption stays until the first toggle";
    EXPECT_EQ(kAwaiting, m_program.Text(IDC_STATUS));
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, AutostartSwitchesMonitoringOnAtStart)
{
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    ASSERT_TRUE(Launch());
    EXPECT_EQ(L"Stop", m_program.Text(IDC_START));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, kMonitoring, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_STATUS));
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, StartButtonTogglesMonitoringAndTheMonitoringTime)
{
    ASSERT_TRUE(Launch());
    // Nothing monitored yet: the time reads one second and does not move while monitoring is off.
    EXPECT_EQ(L"0 00:00:01", m_program.Text(IDC_MONITORING_TIME));

    m_program.Click(IDC_START);
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_START, L"Stop", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_START));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, kMonitoring, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_STATUS));
    EXPECT_TRUE(m_program.WaitForText(
        IDC_MONITORING_TIME, [](const std::wstring& text) { return text >= L"0 00:00:02"; },
        kRefreshLimitMs + 2000))
        << Narrow(m_program.Text(IDC_MONITORING_TIME));

    m_program.Click(IDC_START);
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_START, L"Start", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_START));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, kAwaiting, kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_STATUS));
    // Off again: a few refreshes later the time is where it stopped.
    Sleep(1200);
    const std::wstring stopped = m_program.Text(IDC_MONITORING_TIME);
    Sleep(2500);
    EXPECT_EQ(stopped, m_program.Text(IDC_MONITORING_TIME));
    EXPECT_TRUE(CloseWithEscape(m_program));

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_GE(saved.stats.m_qwordMonitoringSeconds, 2u);
}

TEST_F(MainWindowTest, EnterLeavesTheWindowOpen)
{
    ASSERT_TRUE(Launch());
    // Enter on the focused control and on the dialog, and the OK command that Enter becomes.
    m_program.PostKey(m_program.FocusOrMainWindow(), VK_RETURN);
    m_program.PostKey(m_program.MainWindow(), VK_RETURN);
    PostMessageW(m_program.MainWindow(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // Two refreshes later the window is still there and answering.
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, kAwaiting, kRefreshLimitMs));
    Sleep(2000);
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(IsWindow(m_program.MainWindow()));
    EXPECT_TRUE(IsWindowVisible(m_program.MainWindow()));
    EXPECT_FALSE(SavedDataExists()) << "nothing is saved while the program runs";
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, EscapeEndsTheProgramThroughTheCleanUp)
{
    ASSERT_TRUE(Launch());
    ASSERT_FALSE(SavedDataExists());
    EXPECT_TRUE(CloseWithEscape(m_program));
    // The clean-up saved the collected data, and the context its settings.
    SavedDataContents saved = {};
    EXPECT_TRUE(ReadSavedData(saved)) << "no loadable data file after the exit";
    EXPECT_EQ(0u, saved.stats.m_qwordWritten);
    EXPECT_EQ(0, saved.topLevelItems);
    EXPECT_TRUE(ReadInterfaceDword(L"m_boolSortTreeByWriteSize").has_value());
    EXPECT_TRUE(ReadInterfaceString(L"m_csSelectedDrives").has_value());
}

TEST_F(MainWindowTest, CloseBoxEndsTheProgramThroughTheCleanUp)
{
    ASSERT_TRUE(Launch());
    PostMessageW(m_program.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(ExpectExit(m_program));
    EXPECT_TRUE(SavedDataExists());
}

TEST_F(MainWindowTest, SessionEndQuerySavesTheDataAndAllowsTheEnd)
{
    ASSERT_TRUE(Launch());
    ASSERT_FALSE(SavedDataExists());
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(m_program.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP,
                                    SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer)) << "the session may end";
    EXPECT_TRUE(SavedDataExists()) << "saved in the query, while the program still runs";
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, ExecutableFolderBecomesTheProgramFolder)
{
    // Started from elsewhere, the program still takes its own folder, as the driver's image path shows.
    if (!TavrelloProgram::HasDriverStandIn())
        GTEST_SKIP() << "the driver stand-in is not built";
    TempFolder elsewhere;
    m_program.SetWorkingFolder(elsewhere.Path());
    ASSERT_TRUE(Launch());
    const std::wstring image = standin_test::WrimonImagePath();
    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_TRUE(SameTextNoCase(TavrelloProgram::BinFolder() + L"\\wrimon.sys", image)) << Narrow(image);
}

TEST_F(MainWindowTest, SecondStartShowsTheFirstWindowAndEndsUntouched)
{
    SetInterfaceDword(L"m_boolStartMinimized", 1);
    ASSERT_TRUE(Launch());
    HWND first = m_program.MainWindow();
    EXPECT_FALSE(IsWindowVisible(first)) << "started minimised, only the tray icon shows";

    const RegistrySnapshot before = TakeRegistrySnapshot(HKEY_CURRENT_USER, kTavrelloProductKey);
    const RegistrySnapshot machineBefore = TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, kTavrelloProductKey);
    TavrelloProgram second;
    std::wstring error;
    ASSERT_TRUE(second.Start(&error)) << Narrow(error);
    const std::optional<DWORD> code = second.WaitForExit(kExitLimitMs);
    ASSERT_TRUE(code.has_value()) << "the second instance did not end";
    EXPECT_EQ(0u, *code);

    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(first) != 0; }, kRefreshLimitMs))
        << "the first instance's window was not shown";
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(before == TakeRegistrySnapshot(HKEY_CURRENT_USER, kTavrelloProductKey))
        << "the second instance changed the settings";
    EXPECT_TRUE(machineBefore == TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, kTavrelloProductKey));
    EXPECT_FALSE(SavedDataExists()) << "the second instance saved data";
    EXPECT_TRUE(CloseWithEscape(m_program));
}

// Each secondary dialog and the clear question runs a modal loop of its own; a second start must bring
// the first instance's window up from any of them, with the open window in front.
TEST_F(MainWindowTest, SecondStartShowsTheFirstWindowWhileADialogOrMessageBoxIsOpen)
{
    SetInterfaceDword(L"m_boolTrayIcon", 1);
    SetInterfaceDword(L"m_boolStartMinimized", 1);
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    const struct
    {
        const char* what;
        UINT command;
        int button; // a button of the main window whose click opens it, or 0 for a menu command
        UINT close; // the command that closes it
    } cases[] = {
        {"About", ID_TRAY_ABOUT, 0, IDCANCEL},
        {"Options", 0, IDC_OPTIONS, IDCANCEL},
        {"Processes", 0, IDC_PROCESSES, IDCANCEL},
        {"Monitored drives", ID_MENU_SELECT_DRIVES, 0, IDCANCEL},
        {"Log viewer", ID_MENU_SHOW_LOG, 0, IDCANCEL},
        {"clear question", ID_MENU_CLEAR_DATA, 0, IDNO},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(hMain); }, kRefreshLimitMs)) << "not hidden";
        if (c.button != 0)
            PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(m_program.Item(c.button)));
        else
            PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        HWND hOpen = m_program.WaitForWindow(
            L"#32770", [hMain](HWND hwnd) { return GetWindow(hwnd, GW_OWNER) == hMain; }, kStartLimitMs);
        ASSERT_NE(nullptr, hOpen) << "it did not open";

        TavrelloProgram second;
        std::wstring error;
        ASSERT_TRUE(second.Start(&error)) << Narrow(error);
        ASSERT_TRUE(second.WaitForExit(kExitLimitMs).has_value()) << "the second instance did not end";
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(hMain) && !IsIconic(hMain); }, kRefreshLimitMs))
            << "the first instance's window was not shown";
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == hOpen; }, kRefreshLimitMs))
            << "the open window is not in front";
        EXPECT_TRUE(IsWindowVisible(hOpen));

        PostMessageW(hOpen, WM_COMMAND, MAKEWPARAM(c.close, BN_CLICKED), 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(hOpen) || !IsWindowVisible(hOpen); }, kStartLimitMs));
        // Back into the tray for the next case.
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(hMain) != 0; }, kStartLimitMs));
        PostMessageW(hMain, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    EXPECT_TRUE(m_program.IsRunning());
    EXPECT_TRUE(CloseWithEscape(m_program));
}
