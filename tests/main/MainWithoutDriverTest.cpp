// The real program from a folder without wrimon.sys: the driver service cannot start, the system's file
// events are tried next (and under Wine refused), and the program runs on without measuring. The log says
// why, and the window works as ever.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"
#include "stats/Format.h"
#include "support/TempFolder.h"

namespace
{
constexpr DWORD kDialogLimitMs = 10000;

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

std::vector<std::wstring> ListBoxLines(HWND box)
{
    std::vector<std::wstring> lines;
    const int count = static_cast<int>(::SendMessageW(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        std::wstring line(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        line.resize(
            static_cast<size_t>(::SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]))));
        lines.push_back(line);
    }
    return lines;
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
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, L"Wrimon", SERVICE_QUERY_STATUS);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}
} // namespace

class MainWithoutDriverTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped())
            return;
        // The filter manager library goes along: only the driver is missing.
        for (const wchar_t* file : {L"tavrello.exe", L"fltlib.dll"})
        {
            const std::wstring from = TavrelloProgram::BinFolder() + L"\\" + file;
            if (GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES)
                GTEST_SKIP() << Narrow(from) << " is not built";
            ASSERT_TRUE(CopyFileW(from.c_str(), m_folder.File(file).c_str(), FALSE))
                << "error " << GetLastError();
        }
        m_program.SetExecutable(m_folder.File(L"tavrello.exe"));
    }

    TempFolder m_folder;
};

TEST_F(MainWithoutDriverTest, TheLogSaysWhyNothingIsMeasuredAndTheWindowWorks)
{
    ASSERT_TRUE(Launch());
    HWND hMain = m_program.MainWindow();
    PostMessageW(hMain, WM_COMMAND, ID_MENU_SHOW_LOG, 0);
    HWND hViewer = m_program.WaitForWindow(
        L"#32770",
        [&](HWND hwnd) { return GetWindow(hwnd, GW_OWNER) == hMain && WindowText(hwnd) == L"Log Viewer"; },
        kDialogLimitMs);
    ASSERT_NE(nullptr, hViewer) << "the log viewer did not open";
    const std::vector<std::wstring> lines = ListBoxLines(GetDlgItem(hViewer, IDC_LOG_LIST));
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
    PostMessageW(hViewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(hMain); }, kDialogLimitMs));

    m_program.Click(IDC_START);
    EXPECT_TRUE(m_program.WaitForTextEquals(IDC_STATUS, L"Monitoring in progress...", kRefreshLimitMs))
        << Narrow(m_program.Text(IDC_STATUS));
    EXPECT_EQ(FormatSize(0), m_program.Text(IDC_TOTAL_WRITES)) << "nothing is measured";
    EXPECT_TRUE(CloseWithEscape(m_program));
    EXPECT_FALSE(WrimonServiceExists()) << "the clean-up removes the service that could not start";
    EXPECT_TRUE(SavedDataExists());
}
