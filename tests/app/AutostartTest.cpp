// The option "Auto start Tavrello" on the system: a logon task with the highest privileges (Task
// Scheduler schema: LogonTrigger, RunLevel HighestAvailable), stored by the scheduler as a file under
// system32\Tasks; created only for a folder that only administrators can change, deleted otherwise; the Run
// value of earlier versions removed. Wine gives no folder that only administrators can change, so the
// tests that need one put their own answer in place of the folder check.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/autostart/Autostart.h"
#include "app/autostart/AutostartTask.h"
#include "support/AutostartTaskFile.h"
#include "support/LogCapture.h"
#include "support/RegistryScratch.h"
#include "support/TempFolder.h"

namespace
{
CQProgramFolderCheck OnlyAdministratorsCanChange(const std::wstring& folder)
{
    CQProgramFolderCheck check;
    check.adminOnly = true;
    check.folder = folder;
    return check;
}

const wchar_t kOldRunCommand[] = L"C:\\Old\\tavrello.exe";

class AutostartTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(DeleteAutostartTask(error)) << testing::PrintToString(error);
    }
    void TearDown() override
    {
        g_pfnCheckAutostartFolder = m_previousCheck;
        std::wstring error;
        DeleteAutostartTask(error);
    }
    static void WriteOldRunValue()
    {
        ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, L"Tavrello", REG_SZ, kOldRunCommand,
                                       sizeof(kOldRunCommand)));
    }
    static bool RunValueExists()
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        return ReadRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, L"Tavrello", type, data);
    }

    TavrelloRegistryScratch m_scratch;
    LogCapture m_log;
    decltype(g_pfnCheckAutostartFolder) m_previousCheck = g_pfnCheckAutostartFolder;
};

TEST_F(AutostartTest, AFolderOnlyAdministratorsCanChangeGetsItsTaskAndTheRunValueGoes)
{
    g_pfnCheckAutostartFolder = OnlyAdministratorsCanChange;
    WriteOldRunValue();
    // Characters that XML must escape: unescaped, the scheduler refuses the definition.
    EXPECT_TRUE(UpdateAutostart(TRUE, L"D:\\R&D <tools>\\"));
    EXPECT_FALSE(RunValueExists()) << "the Run value of earlier versions goes";
    ASSERT_TRUE(AutostartTaskFileExists()) << testing::PrintToString(AutostartTaskFile());
    // Wine keeps the settings of the definition (and drops its trigger, principal and command); unlike
    // the scheduler's defaults, no three-day limit and a start on batteries too.
    const std::wstring xml = ReadAutostartTaskXml();
    EXPECT_EQ(L"PT0S", XmlElementText(xml, L"ExecutionTimeLimit")) << testing::PrintToString(xml);
    EXPECT_EQ(L"false", XmlElementText(xml, L"DisallowStartIfOnBatteries"));
    EXPECT_EQ(L"false", XmlElementText(xml, L"StopIfGoingOnBatteries"));

    // Again: the task is replaced, not refused as existing.
    EXPECT_TRUE(UpdateAutostart(TRUE, L"D:\\Tools\\"));

    WriteOldRunValue();
    EXPECT_FALSE(UpdateAutostart(FALSE, L"D:\\Tools\\"));
    EXPECT_FALSE(AutostartTaskFileExists());
    EXPECT_FALSE(RunValueExists());
    // Switching off what is off already is quiet.
    EXPECT_FALSE(UpdateAutostart(FALSE, L"D:\\Tools\\"));
    EXPECT_TRUE(m_log.Lines().empty()) << testing::PrintToString(m_log.Lines());
}

// What Wine's scheduler drops, read from the definition itself, by the names of the task schema.
TEST(AutostartTaskXml, RunsTheProgramAtTheUsersLogonWithTheHighestPrivileges)
{
    const std::wstring sid = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    const std::wstring folder = L"D:\\R&D <tools> \"x\" 'y'\\";
    const std::wstring xml = AutostartTaskXml(sid, folder + L"tavrello.exe", folder);
    const size_t trigger = xml.find(L"<LogonTrigger>");
    ASSERT_NE(std::wstring::npos, trigger) << testing::PrintToString(xml);
    EXPECT_EQ(sid, XmlElementText(xml.substr(trigger), L"UserId")) << "at this user's logon only";
    const size_t principal = xml.find(L"<Principal ");
    ASSERT_NE(std::wstring::npos, principal);
    EXPECT_EQ(sid, XmlElementText(xml.substr(principal), L"UserId"));
    EXPECT_EQ(L"InteractiveToken", XmlElementText(xml, L"LogonType"));
    EXPECT_EQ(L"HighestAvailable", XmlElementText(xml, L"RunLevel"));
    EXPECT_EQ(folder + L"tavrello.exe", XmlElementText(xml, L"Command"));
    EXPECT_EQ(folder, XmlElementText(xml, L"WorkingDirectory"));
    EXPECT_EQ(std::wstring::npos, xml.find(L"R&D")) << "an ampersand is escaped";
}

TEST_F(AutostartTest, AFolderOthersCanChangeGetsNoTaskAndTheLogSaysWhy)
{
    TempFolder folder;
    g_pfnCheckAutostartFolder = OnlyAdministratorsCanChange;
    ASSERT_TRUE(UpdateAutostart(TRUE, folder.Path() + L"\\"));
    ASSERT_TRUE(AutostartTaskFileExists());

    // The real check: the folder belongs to this user.
    g_pfnCheckAutostartFolder = m_previousCheck;
    EXPECT_FALSE(UpdateAutostart(TRUE, folder.Path() + L"\\"));
    EXPECT_FALSE(AutostartTaskFileExists()) << "a task made while the folder was safe goes";
    const std::vector<std::wstring> lines = m_log.Lines();
    ASSERT_EQ(1u, lines.size()) << testing::PrintToString(lines);
    EXPECT_EQ(0u, lines[0].find(L"Auto start: no logon task, because '")) << testing::PrintToString(lines[0]);
    EXPECT_NE(std::wstring::npos, lines[0].find(L"can be changed by")) << testing::PrintToString(lines[0]);

    const std::wstring refusal = AutostartRefusal(folder.Path() + L"\\");
    EXPECT_NE(std::wstring::npos, refusal.find(L"can be changed by")) << testing::PrintToString(refusal);
    g_pfnCheckAutostartFolder = OnlyAdministratorsCanChange;
    EXPECT_EQ(L"", AutostartRefusal(folder.Path() + L"\\"));
}
} // namespace
