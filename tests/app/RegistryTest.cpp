#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/RegistryScratch.h"
#include "support/TempFolder.h"
#include "app/Registry.h"

namespace
{
const std::wstring kProduct = kTavrelloProductKey;
const std::wstring kSectionPath = kProduct + L"\\Test Section";

class RegistryTest : public testing::Test
{
protected:
    TavrelloRegistryScratch m_scratch;
};

std::wstring BytesAsText(const std::vector<BYTE>& data)
{
    std::wstring text;
    for (BYTE b : data)
        text += std::to_wstring(b) + L" ";
    return text;
}
} // namespace

TEST_F(RegistryTest, AbsentValuesGiveTheirDefaultsAndAbsentNamesZero)
{
    CQRegistry store(L"Orvek software", L"Tavrello");
    EXPECT_FALSE(store.UsesLocalMachine());
    EXPECT_FALSE(store.IsIniMode());
    EXPECT_EQ(-1, store.GetInt(L"Test Section", L"missing", -1));
    EXPECT_EQ(7, store.GetInt(L"Test Section", L"missing", 7, CQRegistry::hiveLocalMachine));
    EXPECT_EQ(0, store.GetInt(L"Test Section", nullptr, 7));
    EXPECT_EQ(0, store.GetInt(nullptr, L"missing", 7));
    EXPECT_EQ(L"English", store.GetString(L"Test Section", L"missing", L"English"));
    EXPECT_EQ(L"", store.GetString(L"Test Section", L"missing"));
    EXPECT_EQ(L"fallback", store.GetString(nullptr, L"missing", L"fallback"));
    EXPECT_FALSE(store.SetInt(nullptr, L"name", 1));
    EXPECT_FALSE(store.SetString(nullptr, L"name", L"x"));
}

TEST_F(RegistryTest, ValuesAreStoredWithTheirKindsAndReadBack)
{
    CQRegistry store(L"Orvek software", L"Tavrello");
    ASSERT_TRUE(store.SetInt(L"Test Section", L"number", -1));
    ASSERT_TRUE(store.SetString(L"Test Section", L"text", L"C:D:"));

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"number", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}), data) << BytesAsText(data);
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"text", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((std::vector<BYTE>{'C', 0, ':', 0, 'D', 0, ':', 0, 0, 0}), data) << BytesAsText(data);

    EXPECT_EQ(-1, store.GetInt(L"Test Section", L"number", 5));
    EXPECT_EQ(L"C:D:", store.GetString(L"Test Section", L"text", L"default"));
    ASSERT_TRUE(store.SetString(L"Test Section", L"text", L""));
    EXPECT_EQ(L"", store.GetString(L"Test Section", L"text", L"default"));
}

TEST_F(RegistryTest, IntValuesOfAnotherSizeFallBackToTheDefault)
{
    struct Case
    {
        DWORD type;
        std::vector<BYTE> data;
        int expected;
    } cases[] = {
        {REG_DWORD, {0x2A, 0, 0, 0}, 42},
        {REG_BINARY, {1, 0, 0, 0}, 1}, // the stored type is not examined
        {REG_BINARY, {1, 0}, 99},
        {REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, 99},
        {REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}, 99},
        {REG_BINARY, {}, 99},
    };
    CQRegistry store(L"Orvek software", L"Tavrello");
    for (const Case& c : cases)
    {
        ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"value", c.type, c.data.data(),
                                       static_cast<DWORD>(c.data.size())));
        EXPECT_EQ(c.expected, store.GetInt(L"Test Section", L"value", 99))
            << "type " << c.type << ", " << c.data.size() << " bytes";
    }
}

TEST_F(RegistryTest, StringsEndAtTheFirstZero)
{
    struct Case
    {
        std::vector<BYTE> data;
        std::wstring expected;
    } cases[] = {
        {{'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0}, L"ab"},
        {{'a', 0, 'b', 0}, L"ab"},       // no terminator
        {{'a', 0, 'b', 0, 'c'}, L"abc"}, // odd size: the half character is kept as a whole one
        {{0, 0, 'x', 0, 0, 0}, L""},
        {{}, L""},
    };
    CQRegistry store(L"Orvek software", L"Tavrello");
    for (const Case& c : cases)
    {
        ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"text", REG_SZ, c.data.data(),
                                       static_cast<DWORD>(c.data.size())));
        EXPECT_EQ(c.expected, store.GetString(L"Test Section", L"text", L"default")) << BytesAsText(c.data);
    }
}

TEST_F(RegistryTest, SetStringWithoutValueDeletesTheValueAndWithoutNameTheSection)
{
    CQRegistry store(L"Orvek software", L"Tavrello");
    ASSERT_TRUE(store.SetString(L"Test Section", L"a", L"1"));
    ASSERT_TRUE(store.SetInt(L"Test Section", L"b", 2));

    EXPECT_TRUE(store.SetString(L"Test Section", L"a", nullptr));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"a", type, data));
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"b", type, data));
    EXPECT_FALSE(store.SetString(L"Test Section", L"a", nullptr))
        << "deleting a missing value reports failure";

    EXPECT_TRUE(store.SetString(L"Test Section", nullptr, nullptr));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, kSectionPath));
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kProduct));
}

TEST_F(RegistryTest, HiveSelectorsPickTheirHive)
{
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kSectionPath, L"where", 1));
    ASSERT_TRUE(WriteRegistryDword(HKEY_LOCAL_MACHINE, kSectionPath, L"where", 2));
    CQRegistry store(L"Orvek software", L"Tavrello");
    struct Case
    {
        int hive;
        int expected;
    } cases[] = {{1, 1}, {2, 2}, {255, 1}, {0, 1}, {3, 1}, {-1, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, store.GetInt(L"Test Section", L"where", 0, c.hive)) << "selector " << c.hive;

    CQRegKey key = store.OpenSectionKey(L"Test Section", CQRegistry::hiveLocalMachine, KEY_READ);
    ASSERT_TRUE(key);
    EXPECT_FALSE(store.OpenSectionKey(nullptr, CQRegistry::hiveLocalMachine, KEY_READ));
}

TEST_F(RegistryTest, TheMachineFlagMovesTheDefaultHive)
{
    // Only the machine's hive may switch it.
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, kProduct + L"\\System Settings",
                                   L"m_boolUseLocalMachineHive", 1));
    EXPECT_FALSE(CQRegistry(L"Orvek software", L"Tavrello").UsesLocalMachine());

    ASSERT_TRUE(WriteRegistryDword(HKEY_LOCAL_MACHINE, kProduct + L"\\System Settings",
                                   L"m_boolUseLocalMachineHive", 1));
    CQRegistry store(L"Orvek software", L"Tavrello");
    ASSERT_TRUE(store.UsesLocalMachine());
    ASSERT_TRUE(store.SetInt(L"Test Section", L"number", 12));
    ASSERT_TRUE(store.SetString(L"Test Section", L"text", L"machine"));

    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kSectionPath, L"number", type, data));
    EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kSectionPath, L"text", type, data));
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kSectionPath, L"number", type, data));
    EXPECT_EQ(12, store.GetInt(L"Test Section", L"number", 0));
    EXPECT_EQ(L"machine", store.GetString(L"Test Section", L"text"));
    EXPECT_EQ(0, store.GetInt(L"Test Section", L"number", 0, CQRegistry::hiveCurrentUser));
}

TEST(RegistryIniTest, IniModeKeepsSectionsInTheFile)
{
    TempFolder folder;
    std::wstring ini = folder.File(L"settings.ini");
    CQRegistry store(nullptr, ini.c_str());
    ASSERT_TRUE(store.IsIniMode());
    EXPECT_FALSE(store.UsesLocalMachine());
    EXPECT_FALSE(store.OpenProductKey(CQRegistry::hiveCurrentUser, KEY_READ));

    EXPECT_EQ(-1, store.GetInt(L"Interface Settings", L"m_intSelectedDiskSize", -1));
    EXPECT_EQ(L"English", store.GetString(L"Interface Settings", L"m_csLanguage", L"English"));
    ASSERT_TRUE(store.SetInt(L"Interface Settings", L"m_intSelectedDiskSize", -5));
    ASSERT_TRUE(store.SetString(L"Interface Settings", L"m_csSelectedDrives", L"C:D:"));
    ASSERT_TRUE(store.SetString(L"Other", L"x", L"1"));
    EXPECT_EQ(-5, store.GetInt(L"Interface Settings", L"m_intSelectedDiskSize", 0));
    EXPECT_EQ(L"C:D:", store.GetString(L"Interface Settings", L"m_csSelectedDrives"));

    std::string content;
    ASSERT_TRUE(ReadWholeFile(ini, content));
    EXPECT_NE(std::string::npos, content.find("m_intSelectedDiskSize=-5")) << content;

    ASSERT_TRUE(store.SetString(L"Interface Settings", L"m_csSelectedDrives", nullptr));
    EXPECT_EQ(L"none", store.GetString(L"Interface Settings", L"m_csSelectedDrives", L"none"));
    ASSERT_TRUE(store.SetString(L"Interface Settings", nullptr, nullptr));
    EXPECT_EQ(3, store.GetInt(L"Interface Settings", L"m_intSelectedDiskSize", 3));
    EXPECT_EQ(L"1", store.GetString(L"Other", L"x"));
}

TEST(RegistryIniTest, WithoutAPathNothingIsReadOrWritten)
{
    CQRegistry store(nullptr, nullptr);
    EXPECT_EQ(0, store.GetInt(L"Section", L"name", 5));
    EXPECT_EQ(L"d", store.GetString(L"Section", L"name", L"d"));
    EXPECT_FALSE(store.SetInt(L"Section", L"name", 1));
    EXPECT_FALSE(store.SetString(L"Section", L"name", L"v"));
}

TEST(SettingsStoreTest, TheStoreIsReachableUntilItIsDestroyed)
{
    CQRegistry* previous = GetSettingsStore();
    {
        CQRegistry store(nullptr, nullptr);
        SetSettingsStore(&store);
        EXPECT_EQ(&store, GetSettingsStore());
    }
    EXPECT_EQ(nullptr, GetSettingsStore());
    SetSettingsStore(previous);
}
