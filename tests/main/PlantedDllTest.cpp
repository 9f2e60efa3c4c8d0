// DLLs planted beside the program: fltlib.dll and uxtheme.dll are no known system DLLs, so a program that
// imports them, or loads them by name, takes the copies in its own folder first, and runs them with its
// administrator rights. The program started from a folder holding marker DLLs of those names must never
// run the markers, and must take fltlib.dll from the system folder. (Under Wine a program importing either
// DLL loads the marker from its folder; the built-in DLLs that Wine loads by themselves do not.)
#include "main/MainWindowFixture.h"

#include <tlhelp32.h>

#include "resources/resource.h"
#include "support/TempFolder.h"

namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring Lower(std::wstring text)
{
    ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Module file name (lower case) to full path, of every module loaded in the process.
std::map<std::wstring, std::wstring> LoadedModules(DWORD processId)
{
    std::map<std::wstring, std::wstring> modules;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return modules;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Module32FirstW(snapshot, &entry); more; more = ::Module32NextW(snapshot, &entry))
        modules[Lower(entry.szModule)] = entry.szExePath;
    ::CloseHandle(snapshot);
    return modules;
}

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}
} // namespace

TEST_F(MainWindowTest, DllsPlantedBesideTheProgramAreNeverLoaded)
{
    if (!TavrelloProgram::HasDriverStandIn())
        GTEST_SKIP() << "the program needs the driver stand-in to start without a message box";
    TempFolder folder;
    const std::wstring marker = TavrelloProgram::BinFolder() + L"\\planted_marker.dll";
    ASSERT_TRUE(Exists(marker)) << "the marker DLL is not built";
    const std::wstring program = folder.File(L"tavrello.exe");
    ASSERT_TRUE(::CopyFileW(TavrelloProgram::ExePath().c_str(), program.c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(::CopyFileW((TavrelloProgram::BinFolder() + L"\\wrimon.sys").c_str(),
                            folder.File(L"wrimon.sys").c_str(), FALSE))
        << GetLastError();
    const wchar_t* planted[] = {L"fltlib.dll", L"uxtheme.dll"};
    for (const wchar_t* name : planted)
        ASSERT_TRUE(::CopyFileW(marker.c_str(), folder.File(name).c_str(), FALSE)) << GetLastError();

    // The marker tells when it is loaded.
    const std::wstring control = folder.File(L"control.dll");
    ASSERT_TRUE(::CopyFileW(marker.c_str(), control.c_str(), FALSE)) << GetLastError();
    HMODULE loaded = ::LoadLibraryW(control.c_str());
    ASSERT_NE(nullptr, loaded) << GetLastError();
    ::FreeLibrary(loaded);
    ASSERT_TRUE(Exists(control + L".loaded")) << "the marker leaves no file when it is loaded";

    m_program.SetExecutable(program);
    ASSERT_TRUE(Launch());
    // The options dialog turns visual styles off for its boxes, through UxTheme.
    HWND hMain = m_program.MainWindow();
    m_program.Click(IDC_OPTIONS);
    HWND hOptions = m_program.WaitForWindow(
        L"#32770",
        [&](HWND hwnd)
        { return ::GetWindow(hwnd, GW_OWNER) == hMain && WindowText(hwnd) == L"Application Options"; },
        kRefreshLimitMs);
    ASSERT_NE(nullptr, hOptions) << "the options dialog did not open";

    // The filter manager library in use is the system folder's (under Wine the stand-in put there). Wine's
    // own user32 loads its built-in uxtheme.dll before the program starts, under the name of the first file
    // it finds, so only the marker's file below tells whether the planted code ran.
    const std::map<std::wstring, std::wstring> modules = LoadedModules(m_program.ProcessId());
    ASSERT_FALSE(modules.empty()) << "the program's modules cannot be listed, error " << GetLastError();
    const auto fltlib = modules.find(L"fltlib.dll");
    ASSERT_NE(modules.end(), fltlib) << "fltlib.dll is not loaded at all";
    EXPECT_EQ(Lower(SystemFolder()) + L"\\fltlib.dll", Lower(fltlib->second));

    ::PostMessageW(hOptions, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(hMain) != FALSE; }, kRefreshLimitMs));
    EXPECT_TRUE(CloseWithEscape(m_program));
    for (const wchar_t* name : planted)
        EXPECT_FALSE(Exists(folder.File(name) + L".loaded")) << Narrow(name) << " was loaded";
}
