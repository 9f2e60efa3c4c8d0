// Replacing a file through a temporary beside it, with real files under Wine; the faults the system
// cannot be made to produce (a refused flush, a failed move, no memory) through the replace's hook; and
// the memory file that a save is copied into.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <new>
#include <string>

#include "data/File.h"
#include "data/LinkCheck.h"
#include "data/SafeReplace.h"
#include "data/SaveTrailer.h"
#include "support/LogCapture.h"
#include "support/SymbolicLink.h"
#include "support/TempFolder.h"

namespace
{
// The fault the hook injects, and where.
CQReplaceStep g_faultStep = CQReplaceStep::allocate;
std::wstring g_faultFile;
DWORD g_faultError = NO_ERROR;

DWORD InjectFault(CQReplaceStep step, const std::wstring& file)
{
    return step == g_faultStep && (g_faultFile.empty() || file == g_faultFile) ? g_faultError : NO_ERROR;
}

class SafeReplaceTest : public testing::Test
{
protected:
    ~SafeReplaceTest() override { SetReplaceFaultHook(nullptr); }

    static void Inject(CQReplaceStep step, DWORD error, const std::wstring& file = std::wstring())
    {
        g_faultStep = step;
        g_faultError = error;
        g_faultFile = file;
        SetReplaceFaultHook(InjectFault);
    }
    std::string Content(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes)) << "no file " << std::string(path.begin(), path.end());
        return bytes;
    }
    static bool Exists(const std::wstring& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static std::function<BOOL(CQFile&)> Writer(const std::string& bytes)
    {
        return [bytes](CQFile& file) { return file.Write(bytes.data(), static_cast<DWORD>(bytes.size())); };
    }
    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : m_log.Lines())
        {
            if (line.find(part) != std::wstring::npos)
                return true;
        }
        return false;
    }
    // The names in the folder but the file itself and its first temporary.
    std::vector<std::wstring> Others() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found = {};
        HANDLE search = FindFirstFileW((m_folder.Path() + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
        {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && name != L"data.bin")
                names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    TempFolder m_folder;
    LogCapture m_log;
    const std::wstring m_path = m_folder.File(L"data.bin");
    const std::wstring m_new = m_path + L".new";
};

TEST_F(SafeReplaceTest, AFailedWriteRemovesTheIncompleteNewFileAndKeepsTheOld)
{
    ASSERT_TRUE(WriteWholeFile(m_path, "old"));
    const auto halfThenFail = [](CQFile& file)
    {
        file.Write("half", 4);
        return BOOL(0);
    };
    EXPECT_EQ(CQReplaceResult::failed, SafeReplaceFile(m_path, halfThenFail).outcome);
    EXPECT_EQ("old", Content(m_path));
    EXPECT_TRUE(Others().empty());
}

TEST_F(SafeReplaceTest, AReplaceThatFailsKeepsTheCompleteNewFileAndSaysWhy)
{
    ASSERT_TRUE(WriteWholeFile(m_path, "old"));
    // Another program holds the old file open without letting it be deleted or renamed.
    HANDLE holder =
        CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const CQReplaceResult result = SafeReplaceFile(m_path, Writer("complete new data"));
    CloseHandle(holder);
    EXPECT_EQ(CQReplaceResult::kept, result.outcome);
    EXPECT_EQ(m_new, result.temporary);
    EXPECT_EQ("old", Content(m_path));
    EXPECT_EQ("complete new data", Content(m_new));
    EXPECT_TRUE(Logged(L"SafeReplaceFile::MoveFileEx :: ")) << "the system's reason is logged";
    EXPECT_TRUE(Logged(L"kept in '" + m_new + L"'"));

    // Where no copy is wanted, the complete temporary goes as well.
    holder = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CQReplaceOptions removed;
    removed.temporaries = {m_path + L".other"};
    removed.keepIfNotReplaced = false;
    EXPECT_EQ(CQReplaceResult::failed, SafeReplaceFile(m_path, Writer("x"), removed).outcome);
    CloseHandle(holder);
    EXPECT_FALSE(Exists(m_path + L".other"));

    // The next replace that works takes the place of both.
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("later")).outcome);
    EXPECT_EQ("later", Content(m_path));
    EXPECT_TRUE(Others().empty());
}

// The temporary is always made new: a left-over is removed first, and a name that cannot be cleared is
// passed over for the next one, so one stuck file never fails every save from then on.
TEST_F(SafeReplaceTest, WhatSitsAtTheTemporarysNameIsRemovedOrPassedOver)
{
    CQReplaceOptions options;
    options.temporaries = {m_new, m_new + L"2"};

    ASSERT_TRUE(WriteWholeFile(m_new, "left over from a crash"));
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("one"), options).outcome);
    EXPECT_EQ("one", Content(m_path));
    ASSERT_TRUE(CreateDirectoryW(m_new.c_str(), nullptr));
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("two"), options).outcome);
    EXPECT_EQ("two", Content(m_path));
    EXPECT_TRUE(Others().empty()) << "an empty folder there is removed too";

    // Held open by another program: left alone, the second name is used.
    ASSERT_TRUE(WriteWholeFile(m_new, "not ours"));
    HANDLE holder = CreateFileW(m_new.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("three"), options).outcome);
    CloseHandle(holder);
    EXPECT_EQ("three", Content(m_path));
    EXPECT_EQ("not ours", Content(m_new));
    EXPECT_FALSE(Exists(m_new + L"2"));

    // Every name taken: nothing is written, and that is said.
    holder = CreateFileW(m_new.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    options.temporaries = {m_new};
    const CQReplaceResult result = SafeReplaceFile(m_path, Writer("four"), options);
    CloseHandle(holder);
    EXPECT_EQ(CQReplaceResult::failed, result.outcome);
    EXPECT_EQ("three", Content(m_path));
    EXPECT_TRUE(Logged(L"no name for its new contents could be made free"));
}

// A link at the temporary's name is removed, never written through; a folder that lies behind a link
// (a junction on the way) is not written into at all.
TEST_F(SafeReplaceTest, ALinkAtTheTemporaryOrOnTheWayIsNeverWrittenThrough)
{
    TempFolder elsewhere;
    const std::wstring victim = elsewhere.File(L"victim.txt");
    ASSERT_TRUE(WriteWholeFile(victim, "precious"));
    const std::string why = PlantSymbolicLink(m_new, victim);
    if (!why.empty())
        GTEST_SKIP() << why;
    // Where the link can be opened as itself it is removed; where it cannot (Wine), the name is passed
    // over. Either way what it leads to is neither written nor removed.
    CQReplaceOptions options;
    options.temporaries = {m_new, m_new + L"2"};
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("ours"), options).outcome);
    EXPECT_EQ("ours", Content(m_path));
    EXPECT_EQ("precious", Content(victim));
    // A link at the file's own name is replaced, not written through.
    ASSERT_EQ("", PlantSymbolicLink(m_folder.File(L"linked.bin"), victim));
    EXPECT_EQ(CQReplaceResult::replaced,
              SafeReplaceFile(m_folder.File(L"linked.bin"), Writer("ours")).outcome);
    EXPECT_EQ("precious", Content(victim));

    // The folder as a link to another one: the temporary would land there.
    const std::wstring linked = m_folder.File(L"linked");
    ASSERT_EQ("", PlantSymbolicLink(linked, elsewhere.Path()));
    const std::wstring through = linked + L"\\victim.txt";
    const CQReplaceResult result = SafeReplaceFile(through, Writer("planted"));
    EXPECT_EQ(CQReplaceResult::failed, result.outcome);
    EXPECT_EQ("precious", Content(victim));
    EXPECT_FALSE(Exists(victim + L".new")) << "the temporary made there is removed again";
    EXPECT_TRUE(Logged(L"through a link or junction; nothing is written there"));

    // An export into a folder the user chose may go through links.
    CQReplaceOptions chosen;
    chosen.uniqueTemporary = true;
    chosen.refuseLinks = false;
    EXPECT_EQ(CQReplaceResult::replaced,
              SafeReplaceFile(linked + L"\\export.csv", Writer("rows"), chosen).outcome);
    EXPECT_EQ("rows", Content(elsewhere.File(L"export.csv")));
}

// The application-data folder of the user as the shell names it, set for the test and put back after.
class ApplicationDataFolder
{
public:
    explicit ApplicationDataFolder(const std::wstring& folder)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &m_key) !=
            ERROR_SUCCESS)
        {
            m_key = nullptr;
            return;
        }
        DWORD cb = sizeof(m_old) - sizeof(wchar_t);
        m_hadOld = RegQueryValueExW(m_key, L"AppData", nullptr, &m_type, reinterpret_cast<BYTE*>(m_old),
                                    &cb) == ERROR_SUCCESS;
        RegSetValueExW(m_key, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~ApplicationDataFolder()
    {
        if (m_key == nullptr)
            return;
        if (m_hadOld)
            RegSetValueExW(m_key, L"AppData", 0, m_type, reinterpret_cast<const BYTE*>(m_old),
                           static_cast<DWORD>((wcslen(m_old) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(m_key, L"AppData");
        RegCloseKey(m_key);
    }
    ApplicationDataFolder(const ApplicationDataFolder&) = delete;
    ApplicationDataFolder& operator=(const ApplicationDataFolder&) = delete;

private:
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY m_key = nullptr;
    DWORD m_type = REG_EXPAND_SZ;
    bool m_hadOld = false;
    wchar_t m_old[MAX_PATH + 1] = {};
};

// A profile or its AppData moved to another drive and reached through a link: the data folder below it
// is saved into and read as any other, while a link planted below it is still never gone through.
TEST_F(SafeReplaceTest, TheApplicationDataFolderMayLieElsewhereButNothingBelowIt)
{
    TempFolder moved;
    const std::wstring appData = m_folder.File(L"AppData");
    const std::string why = PlantSymbolicLink(appData, moved.Path());
    if (!why.empty())
        GTEST_SKIP() << why;
    ApplicationDataFolder shellFolder(appData);
    wchar_t named[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, named)) ||
        _wcsicmp(named, appData.c_str()) != 0)
        GTEST_SKIP() << "the shell does not take the application-data folder from the registry";
    const std::wstring dataFolder = appData + L"\\Orvek software\\Tavrello";
    ASSERT_TRUE(CreateDirectoryW((appData + L"\\Orvek software").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dataFolder.c_str(), nullptr));

    const std::wstring file = dataFolder + L"\\Monitored.Files";
    ASSERT_EQ(CQReplaceResult::replaced, SafeReplaceFile(file, Writer("first")).outcome);
    ASSERT_EQ(CQReplaceResult::replaced, SafeReplaceFile(file, Writer("second")).outcome);
    EXPECT_EQ("second", Content(moved.File(L"Orvek software\\Tavrello\\Monitored.Files")));
    DWORD error = NO_ERROR;
    std::wstring reason;
    HANDLE read = OpenPlainFileForReading(file, error, reason);
    EXPECT_NE(INVALID_HANDLE_VALUE, read) << std::string(reason.begin(), reason.end());
    if (read != INVALID_HANDLE_VALUE)
        CloseHandle(read);
    EXPECT_TRUE(DeleteItself(file, error)) << error;
    EXPECT_FALSE(Exists(file));

    // The program's own folder made a link to another place: nothing is written there.
    TempFolder elsewhere;
    ASSERT_TRUE(RemoveDirectoryW(dataFolder.c_str()));
    ASSERT_EQ("", PlantSymbolicLink(dataFolder, elsewhere.Path()));
    EXPECT_EQ(CQReplaceResult::failed, SafeReplaceFile(file, Writer("planted")).outcome);
    EXPECT_FALSE(Exists(elsewhere.File(L"Monitored.Files")));
    EXPECT_TRUE(Logged(L"through a link or junction; nothing is written there"));
}

TEST_F(SafeReplaceTest, InjectedFaultsLeaveTheOldFileAndNothingThatLooksComplete)
{
    struct Case
    {
        const char* what;
        CQReplaceStep step;
        DWORD error;
        CQReplaceResult::Outcome outcome;
        const wchar_t* logged;
    };
    const Case cases[] = {
        {"the disk refuses the flush", CQReplaceStep::flush, ERROR_IO_DEVICE, CQReplaceResult::failed,
         L"could not be flushed to the disk"},
        {"the temporary cannot be created", CQReplaceStep::create, ERROR_ACCESS_DENIED,
         CQReplaceResult::failed, L"no name for its new contents"},
        {"no memory", CQReplaceStep::allocate, ERROR_NOT_ENOUGH_MEMORY, CQReplaceResult::failed,
         L"Not enough memory to write"},
        {"the move fails", CQReplaceStep::replace, ERROR_SHARING_VIOLATION, CQReplaceResult::kept,
         L"SafeReplaceFile::MoveFileEx :: "},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(WriteWholeFile(m_path, "old"));
        DeleteFileW(m_new.c_str());
        Inject(c.step, c.error);
        SetLastError(0xDEAD);
        const CQReplaceResult result = SafeReplaceFile(m_path, Writer("new"));
        SetReplaceFaultHook(nullptr);
        EXPECT_EQ(c.outcome, result.outcome) << c.what;
        EXPECT_EQ(c.error, result.error) << c.what;
        EXPECT_EQ("old", Content(m_path)) << c.what;
        EXPECT_EQ(c.outcome == CQReplaceResult::kept, Exists(m_new)) << c.what;
        EXPECT_TRUE(Logged(c.logged)) << c.what;
    }
    // With the fault gone the next replace goes through.
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("new")).outcome);
    EXPECT_EQ("new", Content(m_path));

    // Memory that runs out inside the writer ends the replace, not the program.
    const auto throwing = [](CQFile& file) -> BOOL
    {
        file.Write("part", 4);
        throw std::bad_alloc();
    };
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), SafeReplaceFile(m_path, throwing).error);
    EXPECT_EQ("new", Content(m_path));
    EXPECT_TRUE(Others().empty());

    // A creation that fails for the first name only moves on to the next.
    CQReplaceOptions options;
    options.temporaries = {m_new, m_new + L"2"};
    Inject(CQReplaceStep::create, ERROR_ACCESS_DENIED, m_new);
    EXPECT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("via the second"), options).outcome);
    EXPECT_EQ("via the second", Content(m_path));
}

TEST_F(SafeReplaceTest, ATrailerFollowsTheContentsAndVerifies)
{
    CQReplaceOptions options;
    options.trailer = true;
    options.trailerTag = 0x0102030405060708ULL;
    ASSERT_EQ(CQReplaceResult::replaced, SafeReplaceFile(m_path, Writer("contents"), options).outcome);
    const std::string bytes = Content(m_path);
    ASSERT_EQ(8u + kSaveTrailerBytes, bytes.size());
    EXPECT_EQ("contents", bytes.substr(0, 8));
    const CQTrailerCheck check = CheckSaveTrailer(bytes);
    EXPECT_EQ(CQTrailerCheck::verified, check.state);
    EXPECT_EQ(8u, check.length);
    EXPECT_EQ(0x0102030405060708ULL, check.tag);
}
} // namespace
