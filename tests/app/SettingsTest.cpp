#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/LogCapture.h"
#include "support/MessageBoxRecorder.h"
#include "support/RegistryScratch.h"
#include "support/TempFolder.h"
#include "app/Registry.h"
#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "app/autostart/Autostart.h"

namespace
{
const std::wstring kInterfacePath = std::wstring(kTavrelloProductKey) + L"\\Interface Settings";

// The folders the autostart was asked to judge; none is found safe, so no task is made.
std::vector<std::wstring> g_checkedFolders;
CQProgramFolderCheck RecordFolderCheck(const std::wstring& folder)
{
    g_checkedFolders.push_back(folder);
    CQProgramFolderCheck check;
    check.folder = folder;
    check.reason = L"a test";
    return check;
}

// The product's settings in a clean state with a store published for the sections.
class SettingsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_previousStore = GetSettingsStore();
        m_store = std::make_unique<CQRegistry>(L"Orvek software", L"Tavrello");
        SetSettingsStore(m_store.get());
        g_checkedFolders.clear();
        m_previousCheck = g_pfnCheckAutostartFolder;
        g_pfnCheckAutostartFolder = RecordFolderCheck;
    }
    void TearDown() override
    {
        g_pfnCheckAutostartFolder = m_previousCheck;
        m_store.reset();
        SetSettingsStore(m_previousStore);
    }

    void RecreateStore()
    {
        m_store = std::make_unique<CQRegistry>(L"Orvek software", L"Tavrello");
        SetSettingsStore(m_store.get());
    }

    TavrelloRegistryScratch m_scratch;
    CQRegistry* m_previousStore = nullptr;
    std::unique_ptr<CQRegistry> m_store;
    decltype(g_pfnCheckAutostartFolder) m_previousCheck = nullptr;
};

// Restores the current directory.
class CurrentDirectoryGuard
{
public:
    CurrentDirectoryGuard()
    {
        wchar_t folder[MAX_PATH + 1] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        m_folder = folder;
    }
    ~CurrentDirectoryGuard() { SetCurrentDirectoryW(m_folder.c_str()); }

private:
    std::wstring m_folder;
};
} // namespace

TEST_F(SettingsTest, ACleanHiveReadsEveryDefault)
{
    CQSettingsInterface settings;
    settings.m_boolCollectProcessesInformation = 7;
    settings.m_boolSortTreeByWriteSize = 7;
    settings.m_intSelectedDiskSize = 7;
    settings.m_boolHeavyWriteAlerts = 7;
    settings.m_intAlertMegabytesPerMinute = 7;
    settings.m_intAlertMegabytesPerHour = 7;
    settings.m_intAutosaveMinutes = 7;
    settings.m_csLanguage = L"junk";
    settings.m_csSelectedDrives = L"junk";
    EXPECT_EQ(1, settings.Load());
    EXPECT_EQ(L"Interface Settings", settings.GetSectionName());
    EXPECT_EQ(-1, settings.m_intSelectedDiskSize);
    EXPECT_EQ(1, settings.m_boolCollectProcessesInformation);
    EXPECT_EQ(0, settings.m_boolAutostartSession);
    EXPECT_EQ(0, settings.m_boolDoNotLogFiles);
    EXPECT_EQ(0, settings.m_boolTrayIcon);
    EXPECT_EQ(0, settings.m_boolStartMinimized);
    EXPECT_EQ(0, settings.m_boolAutoExpandFolders);
    EXPECT_EQ(1, settings.m_boolSortTreeByWriteSize);
    EXPECT_EQ(1, settings.m_boolHeavyWriteAlerts);
    EXPECT_EQ(2048, settings.m_intAlertMegabytesPerMinute);
    EXPECT_EQ(-1, settings.m_intAlertMegabytesPerHour) << "from the chosen capacity";
    EXPECT_EQ(60, settings.m_intAutosaveMinutes);
    EXPECT_EQ(L"", settings.m_csSelectedDrives);
    EXPECT_EQ(L"English", settings.m_csLanguage);
}

TEST_F(SettingsTest, SaveWritesEveryValueWithItsKindAndLoadReadsThemBack)
{
    CQSettingsInterface saved;
    saved.Load();
    saved.m_intSelectedDiskSize = 3;
    saved.m_boolCollectProcessesInformation = 0;
    saved.m_boolDoNotLogFiles = 1;
    saved.m_boolTrayIcon = 1;
    saved.m_boolStartMinimized = 1;
    saved.m_boolAutoExpandFolders = 1;
    saved.m_boolSortTreeByWriteSize = 0;
    saved.m_boolHeavyWriteAlerts = 0;
    saved.m_intAlertMegabytesPerMinute = 10240;
    saved.m_intAlertMegabytesPerHour = 500;
    saved.m_intAutosaveMinutes = 0;
    saved.m_csSelectedDrives = L"C:E:";
    saved.m_csLanguage = L"Deutsch";
    EXPECT_EQ(1, saved.Save());

    const wchar_t* dwordNames[] = {L"m_intSelectedDiskSize",
                                   L"m_boolCollectProcessesInformation",
                                   L"m_boolAutostartSession",
                                   L"m_boolDoNotLogFiles",
                                   L"m_boolTrayIcon",
                                   L"m_boolStartMinimized",
                                   L"m_boolAutoExpandFolders",
                                   L"m_boolSortTreeByWriteSize",
                                   L"m_boolHeavyWriteAlerts",
                                   L"m_intAlertMegabytesPerMinute",
                                   L"m_intAlertMegabytesPerHour",
                                   L"m_intAutosaveMinutes"};
    for (const wchar_t* name : dwordNames)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, name, type, data)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
        EXPECT_EQ(4u, data.size()) << name;
    }
    // Strings with their terminating zero.
    const std::pair<const wchar_t*, size_t> stringSizes[] = {{L"m_csSelectedDrives", 10},
                                                             {L"m_csLanguage", 16}};
    for (const auto& [name, bytes] : stringSizes)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, name, type, data)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
        EXPECT_EQ(bytes, data.size()) << name;
    }

    CQSettingsInterface loaded;
    loaded.Load();
    EXPECT_EQ(3, loaded.m_intSelectedDiskSize);
    EXPECT_EQ(0, loaded.m_boolCollectProcessesInformation);
    EXPECT_EQ(0, loaded.m_boolAutostartSession);
    EXPECT_EQ(1, loaded.m_boolDoNotLogFiles);
    EXPECT_EQ(1, loaded.m_boolTrayIcon);
    EXPECT_EQ(1, loaded.m_boolStartMinimized);
    EXPECT_EQ(1, loaded.m_boolAutoExpandFolders);
    EXPECT_EQ(0, loaded.m_boolSortTreeByWriteSize);
    EXPECT_EQ(0, loaded.m_boolHeavyWriteAlerts);
    EXPECT_EQ(10240, loaded.m_intAlertMegabytesPerMinute);
    EXPECT_EQ(500, loaded.m_intAlertMegabytesPerHour);
    EXPECT_EQ(0, loaded.m_intAutosaveMinutes) << "0 turns autosaving off and is kept";
    EXPECT_EQ(L"C:E:", loaded.m_csSelectedDrives);
    EXPECT_EQ(L"Deutsch", loaded.m_csLanguage);
}

TEST_F(SettingsTest, AStoredMinusOneStaysMinusOne)
{
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kInterfacePath, L"m_intSelectedDiskSize", 0xFFFFFFFF));
    CQSettingsInterface settings;
    settings.Load();
    EXPECT_EQ(-1, settings.m_intSelectedDiskSize);
}

TEST_F(SettingsTest, OddIntervalsAndThresholdsFallBackToTheirDefaultsWithALogLine)
{
    const struct
    {
        const wchar_t* name;
        DWORD stored;
        int CQSettingsInterface::*field;
        int loaded;
        const wchar_t* line; // none when the value is taken
    } cases[] = {
        {L"m_intAutosaveMinutes", 0xFFFFFFFF, &CQSettingsInterface::m_intAutosaveMinutes, 60,
         L"m_intAutosaveMinutes -1 is not a number of minutes; 60 is used."},
        {L"m_intAlertMegabytesPerMinute", 0xFFFFFFFF, &CQSettingsInterface::m_intAlertMegabytesPerMinute,
         2048,
         L"m_intAlertMegabytesPerMinute -1 is not a number of megabytes from 0 to 1048576; 2048 is used."},
        {L"m_intAlertMegabytesPerMinute", 1048577, &CQSettingsInterface::m_intAlertMegabytesPerMinute, 2048,
         L"m_intAlertMegabytesPerMinute 1048577 is not a number of megabytes from 0 to 1048576; 2048 is "
         L"used."},
        {L"m_intAlertMegabytesPerMinute", 1048576, &CQSettingsInterface::m_intAlertMegabytesPerMinute,
         1048576, nullptr},
        {L"m_intAlertMegabytesPerMinute", 0, &CQSettingsInterface::m_intAlertMegabytesPerMinute, 0, nullptr},
        {L"m_intAlertMegabytesPerHour", 0xFFFFFFFE, &CQSettingsInterface::m_intAlertMegabytesPerHour, -1,
         L"m_intAlertMegabytesPerHour -2 is not a number of megabytes from -1 to 1048576; -1 is used."},
        {L"m_intAlertMegabytesPerHour", 0xFFFFFFFF, &CQSettingsInterface::m_intAlertMegabytesPerHour, -1,
         nullptr},
        {L"m_intAlertMegabytesPerHour", 0, &CQSettingsInterface::m_intAlertMegabytesPerHour, 0, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)) + " " + std::to_string(c.stored));
        ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kInterfacePath, c.name, c.stored));
        LogCapture log;
        CQSettingsInterface settings;
        settings.Load();
        EXPECT_EQ(c.loaded, settings.*c.field);
        EXPECT_EQ(c.line ? std::vector<std::wstring>{c.line} : std::vector<std::wstring>{}, log.Lines());
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueW(HKEY_CURRENT_USER, kInterfacePath.c_str(), c.name));
    }
}

TEST_F(SettingsTest, SaveHandsTheProgramFolderToTheAutostartOnlyWhenItIsOn)
{
    CQSettingsRunTime runTime;
    runTime.m_csProgramFolder = L"D:\\Tools\\";
    CQSettingsInterface settings;
    settings.Load();
    settings.LinkRunTime(&runTime);

    settings.m_boolAutostartSession = 1;
    settings.Save();
    EXPECT_EQ(std::vector<std::wstring>{L"D:\\Tools\\"}, g_checkedFolders);

    settings.m_boolAutostartSession = 0;
    settings.Save();
    EXPECT_EQ(1u, g_checkedFolders.size()) << "switched off, no folder needs judging";
}

TEST_F(SettingsTest, WithoutALinkedRunTimeTheCurrentFolderIsTheProgramFolder)
{
    TempFolder folder;
    CurrentDirectoryGuard restore;
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    CQSettingsInterface settings;
    settings.m_boolAutostartSession = 1;
    settings.Save();
    EXPECT_EQ(std::vector<std::wstring>{folder.Path() + L"\\"}, g_checkedFolders);
}

TEST_F(SettingsTest, TheMachineHiveTakesEverySection)
{
    ASSERT_TRUE(WriteRegistryDword(HKEY_LOCAL_MACHINE,
                                   std::wstring(kTavrelloProductKey) + L"\\System Settings",
                                   L"m_boolUseLocalMachineHive", 1));
    ASSERT_TRUE(WriteRegistryDword(
        HKEY_LOCAL_MACHINE, std::wstring(kTavrelloProductKey) + L"\\RunTime Settings", L"m_dwordBuild", 318));
    RecreateStore();
    ASSERT_TRUE(m_store->UsesLocalMachine());

    CQSettingsRunTime runTime;
    EXPECT_EQ(318u, runTime.m_dwordBuild);
    runTime.m_csProgramFolder = L"C:\\Program Files\\Tavrello\\";
    CQSettingsInterface settings;
    settings.Load();
    settings.LinkRunTime(&runTime);
    settings.m_csLanguage = L"Machine";
    settings.Save();

    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kInterfacePath, L"m_csLanguage", type, data));
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, L"m_csLanguage", type, data));

    CQSettingsInterface loaded;
    loaded.Load();
    EXPECT_EQ(L"Machine", loaded.m_csLanguage);
}

TEST_F(SettingsTest, RunTimeBuildIsReadAtConstructionAndSavedAs320)
{
    const std::wstring path = std::wstring(kTavrelloProductKey) + L"\\RunTime Settings";
    CQSettingsRunTime fresh;
    EXPECT_EQ(0u, fresh.m_dwordBuild);
    EXPECT_EQ(320u, fresh.m_dwordCurrentBuild);
    EXPECT_EQ(L"RunTime Settings", fresh.GetSectionName());

    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, path, L"m_dwordBuild", 77));
    CQSettingsRunTime runTime;
    EXPECT_EQ(77u, runTime.m_dwordBuild);
    EXPECT_EQ(1, runTime.Save());
    EXPECT_EQ(320u, runTime.m_dwordBuild);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, path, L"m_dwordBuild", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ((std::vector<BYTE>{0x40, 0x01, 0, 0}), data);
}

TEST(SettingsFolderTest, BackslashIsAppendedOnlyWhenMissing)
{
    struct Case
    {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"", L""},
        {L"\\", L"\\"},
        {L"C", L"C"},
        {L"C:", L"C:\\"},
        {L"C:\\", L"C:\\"},
        {L"D:\\Tools", L"D:\\Tools\\"},
        {L"D:\\Tools\\", L"D:\\Tools\\"},
    };
    for (Case c : cases)
    {
        std::wstring path = c.path;
        CQSettingsRunTime::AppendBackslash(path);
        EXPECT_EQ(c.expected, path) << "from '" << c.path << "'";
    }
}

TEST(SettingsFolderTest, ProgramFolderIsTheCurrentDirectoryWithOneBackslash)
{
    CurrentDirectoryGuard restore;
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    CQSettingsRunTime root;
    root.Load();
    EXPECT_EQ(L"C:\\", root.m_csProgramFolder);

    TempFolder folder;
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    CQSettingsRunTime temp;
    temp.Load();
    EXPECT_EQ(folder.Path() + L"\\", temp.m_csProgramFolder);
    ASSERT_TRUE(SetCurrentDirectoryW((folder.Path() + L"\\").c_str()));
    EXPECT_EQ(folder.Path() + L"\\", CQSettingsRunTime::CurrentFolder());
}

TEST(SettingsFolderTest, DataFolderIsCreatedUnderApplicationData)
{
    wchar_t appData[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)) ||
        !appData[0])
        GTEST_SKIP() << "no application-data folder on this system";
    std::wstring company = std::wstring(appData) + L"\\Orvek software";
    std::wstring expected = company + L"\\Tavrello";
    bool companyExisted = GetFileAttributesW(company.c_str()) != INVALID_FILE_ATTRIBUTES;
    bool folderExisted = GetFileAttributesW(expected.c_str()) != INVALID_FILE_ATTRIBUTES;

    MessageBoxRecorder boxes;
    CQSettingsRunTime runTime;
    EXPECT_EQ(1, runTime.Load());
    EXPECT_EQ(expected, runTime.m_csDataFolder);
    DWORD attributes = GetFileAttributesW(expected.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    // Existing folders are fine.
    EXPECT_EQ(1, runTime.CreateDataFolder());
    EXPECT_EQ(expected, runTime.m_csDataFolder);
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes()[0].text;

    if (!folderExisted)
        RemoveDirectoryW(expected.c_str());
    if (!companyExisted)
        RemoveDirectoryW(company.c_str());
}

TEST(SettingsFolderTest, FolderChainIsCreatedBelowAnyBase)
{
    TempFolder folder;
    MessageBoxRecorder boxes;
    std::wstring dataFolder;
    ASSERT_EQ(TRUE, CQSettingsRunTime::CreateDataFolderIn(folder.Path() + L"\\", dataFolder));
    EXPECT_EQ(folder.Path() + L"\\Orvek software\\Tavrello", dataFolder);
    dataFolder.clear();
    ASSERT_EQ(TRUE, CQSettingsRunTime::CreateDataFolderIn(folder.Path(), dataFolder));
    EXPECT_EQ(folder.Path() + L"\\Orvek software\\Tavrello", dataFolder);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(SettingsFolderTest, FailedCreationShowsTheFolderThatFailed)
{
    TempFolder folder;
    // A file where the company folder belongs: that creation "already exists", the next one fails.
    ASSERT_TRUE(WriteWholeFile(folder.File(L"Orvek software"), "not a folder"));
    struct Case
    {
        std::wstring base;
        std::wstring failed;
    } cases[] = {
        {folder.Path(), folder.Path() + L"\\Orvek software\\Tavrello"},
        {folder.File(L"missing"), folder.File(L"missing") + L"\\Orvek software"},
    };
    for (const Case& c : cases)
    {
        MessageBoxRecorder boxes;
        std::wstring dataFolder = L"untouched";
        EXPECT_EQ(FALSE, CQSettingsRunTime::CreateDataFolderIn(c.base, dataFolder));
        EXPECT_EQ(L"untouched", dataFolder);
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ(L"Can't create the folder '" + c.failed + L"'", boxes.Boxes()[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Boxes()[0].type);
    }
}
