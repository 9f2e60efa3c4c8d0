// The installed program, run by the package test in a Wine prefix of its own after a silent install, with
// the stand-in driver beside it and the stand-in filter library in the prefix's system folder: it measures
// and closes cleanly. Skipped unless TAVRELLO_INSTALLED_PROGRAM names
// the installed tavrello.exe.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"

TEST(InstalledProgram, StartsMeasuresAndClosesCleanly)
{
    wchar_t path[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"TAVRELLO_INSTALLED_PROGRAM", path, MAX_PATH) || !path[0])
        GTEST_SKIP() << "run by the package test, which installs the program first";

    // Autostart switches monitoring on at the start; at exit the program sees to its autostart (under Wine
    // every folder belongs to the user too, so it makes no logon task and removes the Run value).
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kInterfaceSettingsKey, L"m_boolAutostartSession", 1));
    TavrelloProgram program;
    program.SetExecutable(path);
    std::wstring error;
    ASSERT_TRUE(program.Start(&error)) << std::string(error.begin(), error.end());
    ASSERT_NE(nullptr, program.WaitForMainWindow(kStartLimitMs));
    EXPECT_TRUE(program.WaitForTextEquals(IDC_STATUS, L"Monitoring in progress...", kRefreshLimitMs));
    EXPECT_EQ(nullptr, program.WaitForWindow(
                           L"#32770", [](HWND) { return true; }, 0))
        << "a message box";

    program.PostKey(program.FocusOrMainWindow(), VK_ESCAPE);
    const std::optional<DWORD> code = program.WaitForExit(kExitLimitMs);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(0u, *code);
    EXPECT_TRUE(SavedDataExists());
}
