// The version resource of the built tavrello.exe, as Explorer reads it: the fixed numbers and the strings
// agree with the version that the About box shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/Version.h"
#include "DialogHost.h"

using tavtest::Narrow;

namespace
{
std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"tavrello.exe";
}

std::wstring StringValue(const std::vector<BYTE>& info, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(info.data(), query.c_str(), &value, &length) || !value)
        return L"<missing>";
    return static_cast<const wchar_t*>(value);
}
} // namespace

TEST(VersionResource, ProgramCarriesTheBuildVersion)
{
    const std::wstring program = ProgramPath();
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "tavrello.exe is not built beside the test program";
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), &handle);
    ASSERT_NE(0u, size) << "no version resource, error " << ::GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const DWORD high = MAKELONG(TAVRELLO_VERSION_MINOR, TAVRELLO_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, TAVRELLO_VERSION_BUILD);
    EXPECT_EQ(high, fixed->dwFileVersionMS);
    EXPECT_EQ(low, fixed->dwFileVersionLS);
    EXPECT_EQ(high, fixed->dwProductVersionMS);
    EXPECT_EQ(low, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    const std::wstring text = std::to_wstring(TAVRELLO_VERSION_MAJOR) + L"." +
                              std::to_wstring(TAVRELLO_VERSION_MINOR) + L"." +
                              std::to_wstring(TAVRELLO_VERSION_BUILD);
    EXPECT_EQ(text, StringValue(info, L"FileVersion")) << Narrow(StringValue(info, L"FileVersion"));
    EXPECT_EQ(text, StringValue(info, L"ProductVersion")) << Narrow(StringValue(info, L"ProductVersion"));
    EXPECT_EQ(L"Orvek software", StringValue(info, L"CompanyName"));
    EXPECT_EQ(L"Tavrello", StringValue(info, L"ProductName"));
    EXPECT_EQ(L"Tavrello drive write monitor", StringValue(info, L"FileDescription"));
}
