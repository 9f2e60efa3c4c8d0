#include "main/MainWindowFixture.h"

#include "resources/resource.h"

const wchar_t kInterfaceSettingsKey[] = L"software\\Orvek software\\Tavrello\\Interface Settings";

namespace
{
BOOL CALLBACK CollectStaticText(HWND hwnd, LPARAM lParam)
{
    if (WindowClass(hwnd) == L"Static")
        *reinterpret_cast<std::wstring*>(lParam) += WindowText(hwnd);
    return TRUE;
}

void Collect(HKEY key, const std::wstring& prefix, RegistrySnapshot& snapshot)
{
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[16384];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(bytes);
        nameLength = static_cast<DWORD>(std::size(name));
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &bytes) !=
            ERROR_SUCCESS)
            break;
        data.resize(bytes);
        snapshot[prefix + L"\\" + name] = {type, data};
    }
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY subkey = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &subkey) != ERROR_SUCCESS)
            continue;
        snapshot[prefix + L"\\" + name + L"\\"] = {REG_NONE, {}};
        Collect(subkey, prefix + L"\\" + name, snapshot);
        RegCloseKey(subkey);
    }
}
} // namespace

bool IsProgramMessageBox(HWND hwnd)
{
    return WindowText(hwnd) == L"Tavrello" && ::GetDlgItem(hwnd, IDC_FILES_TREE) == nullptr;
}

std::wstring MessageText(HWND box)
{
    std::wstring text;
    ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

RegistrySnapshot TakeRegistrySnapshot(HKEY root, const std::wstring& path)
{
    RegistrySnapshot snapshot;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return snapshot;
    snapshot[L"\\"] = {REG_NONE, {}};
    Collect(key, L"", snapshot);
    RegCloseKey(key);
    return snapshot;
}

void MainWindowTest::SetUp()
{
    if (GetFileAttributesW(TavrelloProgram::ExePath().c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "tavrello.exe is not built beside the test program";
    if (!CanCreateWindows())
        GTEST_SKIP() << "no windows can be created here (no display?), error " << GetLastError();
}

void MainWindowTest::TearDown()
{
    m_program.Terminate();
}

void MainWindowTest::SetInterfaceDword(const wchar_t* name, DWORD value)
{
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kInterfaceSettingsKey, name, value)) << name;
}

void MainWindowTest::SetInterfaceString(const wchar_t* name, const std::wstring& value)
{
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kInterfaceSettingsKey, name, REG_SZ, value.c_str(),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))))
        << name;
}

std::optional<DWORD> MainWindowTest::ReadInterfaceDword(const wchar_t* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(HKEY_CURRENT_USER, kInterfaceSettingsKey, name, type, data) || type != REG_DWORD ||
        data.size() != sizeof(DWORD))
        return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data.data());
}

std::optional<std::wstring> MainWindowTest::ReadInterfaceString(const wchar_t* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(HKEY_CURRENT_USER, kInterfaceSettingsKey, name, type, data) || type != REG_SZ)
        return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

::testing::AssertionResult MainWindowTest::Launch(TavrelloProgram& program)
{
    // A Tavrello that this test did not start would take the start for a second instance.
    if (HANDLE other = OpenMutexW(SYNCHRONIZE, FALSE, L"Orvek software Tavrello App"))
    {
        CloseHandle(other);
        return ::testing::AssertionFailure()
               << "another Tavrello already runs in this Wine prefix: left over, or started by wineboot from "
                  "the autostart value Tavrello under "
                  "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    }
    std::wstring error;
    if (!program.Start(&error))
        return ::testing::AssertionFailure() << std::string(error.begin(), error.end());
    if (!program.WaitForMainWindow(kStartLimitMs))
    {
        const std::optional<DWORD> code = program.WaitForExit(0);
        return ::testing::AssertionFailure()
               << "no main window appeared; the process "
               << (code ? "ended with code " + std::to_string(*code) : "still runs");
    }
    if (!program.WaitForFirstRefresh(kRefreshLimitMs))
        return ::testing::AssertionFailure() << "the figures were never refreshed";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MainWindowTest::ExpectExit(TavrelloProgram& program)
{
    const std::optional<DWORD> code = program.WaitForExit(kExitLimitMs);
    if (!code)
        return ::testing::AssertionFailure() << "the program did not end within " << kExitLimitMs << " ms";
    if (*code != 0)
        return ::testing::AssertionFailure() << "the program ended with code " << *code;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MainWindowTest::CloseWithEscape(TavrelloProgram& program)
{
    program.PostKey(program.FocusOrMainWindow(), VK_ESCAPE);
    return ExpectExit(program);
}
