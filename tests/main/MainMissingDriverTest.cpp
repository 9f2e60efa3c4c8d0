// The real program started from a folder without wrimon.sys: the driver service cannot start, the system's
// file events are tried next (and under Wine refused), one message box names the folder, and the window runs
// on without measuring and says so; the log says why, and warns that others can change the folder.
#include "main/MainWindowFixture.h"

#include <algorithm>

#include "resources/resource.h"
#include "support/TempFolder.h"

namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The index of the first line that begins with the text, or the count when none does.
size_t FindLine(const std::vector<std::wstring>& lines, const std::wstring& prefix)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0)
            return i;
    return lines.size();
}

bool WrimonServiceExists()
{
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = ::OpenServiceW(manager, L"Wrimon", SERVICE_QUERY_STATUS);
    if (service)
        ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return service != nullptr;
}

bool ContainsNoCase(const std::wstring& text, const std::wstring& part)
{
    auto lower = [](std::wstring s)
    {
        ::CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
        return s;
    };
    return lower(text).find(lower(part)) != std::wstring::npos;
}
} // namespace

TEST_F(MainWindowTest, MissingDriverFileIsToldOnceWithItsFolderAndNothingCounts)
{
    TempFolder folder;
    const std::wstring copy = folder.File(L"tavrello.exe");
    ASSERT_TRUE(::CopyFileW(TavrelloProgram::ExePath().c_str(), copy.c_str(), FALSE)) << GetLastError();
    m_program.SetExecutable(copy);
    SetInterfaceDword(L"m_boolAutostartSession", 1);
    ASSERT_TRUE(Launch());

    HWND box = m_program.WaitForWindow(L"#32770", IsProgramMessageBox, kStartLimitMs);
    ASSERT_NE(nullptr, box) << "no message box about the missing driver";
    const std::wstring text = MessageText(box);
    EXPECT_TRUE(ContainsNoCase(text, folder.Path())) << Narrow(text);
    EXPECT_TRUE(ContainsNoCase(text, L"wrimon.sys")) << Narrow(text);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, kRefreshLimitMs)) << "the box did not close";

    // Autostart switched monitoring on, but the status does not claim it, and the time does not run.
    EXPECT_EQ(L"Stop", m_program.Text(IDC_START));
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, L"Not measuring: no driver", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_STATUS));
    Sleep(2500);
    EXPECT_EQ(L"0 00:00:01", m_program.Text(IDC_MONITORING_TIME));
    EXPECT_EQ(nullptr, m_program.WaitForWindow(L"#32770", IsProgramMessageBox, 0)) << "a second box";

    // The log: the driver first, then the system's events, neither running; the drives listed all the same.
    HWND hMain = m_program.MainWindow();
    ::PostMessageW(hMain, WM_COMMAND, ID_MENU_SHOW_LOG, 0);
    HWND hViewer = m_program.WaitForDialog(L"Log Viewer", kRefreshLimitMs);
    ASSERT_NE(nullptr, hViewer) << "the log viewer did not open";
    const std::vector<std::wstring> lines = ListBoxLines(::GetDlgItem(hViewer, IDC_LOG_LIST));
    std::string log;
    for (const std::wstring& line : lines)
        log += "  " + Narrow(line) + "\n";
    const size_t driver = FindLine(lines, L"OpenTavrelloDriver::StartService :: ");
    const size_t events = FindLine(lines, L"System file events are not available: ");
    EXPECT_LT(driver, lines.size()) << log;
    EXPECT_LT(events, lines.size()) << log;
    EXPECT_LT(driver, events) << "the driver is tried first\n" << log;
    EXPECT_EQ(lines.size(), FindLine(lines, L"Using system file events")) << log;
    EXPECT_EQ(lines.size(), FindLine(lines, L"Creating logging thread...")) << log;
    EXPECT_LT(FindLine(lines, L"Volume: "), lines.size()) << "the drives are listed all the same\n" << log;
    // Run as administrator (as Wine runs it) from a folder of the user's: warned about once.
    const std::wstring warning =
        L"Warning: Tavrello runs as administrator from a folder that others can change";
    const size_t first = FindLine(lines, warning);
    ASSERT_LT(first, lines.size()) << log;
    EXPECT_TRUE(ContainsNoCase(lines[first], folder.Path())) << Narrow(lines[first]);
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(),
                               [&](const std::wstring& line)
                               { return line.compare(0, warning.size(), warning) == 0; }))
        << log;
    ::PostMessageW(hViewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(hMain) != FALSE; }, kRefreshLimitMs));

    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_FALSE(WrimonServiceExists()) << "the clean-up removes the service that could not start";

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(0u, saved.stats.m_qwordMonitoringSeconds);
}
