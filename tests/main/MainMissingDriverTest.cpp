// The real program started from a folder without wrimon.sys: one message box that names the folder, then a
// window that runs without measuring and says so.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"
#include "support/TempFolder.h"

namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool IsProgramMessageBox(HWND hwnd)
{
    return WindowText(hwnd) == L"Tavrello" && ::GetDlgItem(hwnd, IDC_FILES_TREE) == nullptr;
}

BOOL CALLBACK CollectStaticText(HWND hwnd, LPARAM lParam)
{
    if (WindowClass(hwnd) == L"Static")
        *reinterpret_cast<std::wstring*>(lParam) += WindowText(hwnd);
    return TRUE;
}

// The message of a message box: the texts of its static controls.
std::wstring MessageText(HWND box)
{
    std::wstring text;
    ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
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
    // Wine's own filter manager library lacks functions the program calls; Windows has them all.
    const std::wstring library = TavrelloProgram::BinFolder() + L"\\fltlib.dll";
    if (::GetFileAttributesW(library.c_str()) != INVALID_FILE_ATTRIBUTES)
    {
        ASSERT_TRUE(::CopyFileW(library.c_str(), folder.File(L"fltlib.dll").c_str(), FALSE))
            << GetLastError();
    }
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
    EXPECT_TRUE(CloseWithEscape(m_program));

    SavedDataContents saved = {};
    ASSERT_TRUE(ReadSavedData(saved));
    EXPECT_EQ(0u, saved.stats.m_qwordMonitoringSeconds);
}
