// The options dialog: copies of the settings, OK saving them with the autostart task, Cancel, Help, looks,
// and the heavy-writing threshold box. Wine gives no folder that only administrators can change, so the
// autostart's folder check is answered here, except in the test of its refusal.
#include <gtest/gtest.h>

#include <windows.h>

#include <uxtheme.h>

#include <iterator>
#include <string>
#include <vector>

#include "app/ShellOpen.h"
#include "app/autostart/Autostart.h"
#include "app/autostart/AutostartTask.h"
#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "support/AutostartTaskFile.h"
#include "support/MessageBoxRecorder.h"
#include "support/RegistryScratch.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "ui/dialogs/OptionsDlg.h"
#include "ui/main/WebLinks.h"

namespace
{
using OptionsDialog = ScriptedDialog<CTavrelloOptionsDlg>;

const std::wstring kInterfacePath = std::wstring(kTavrelloProductKey) + L"\\Interface Settings";

struct Option
{
    int boxId;
    const wchar_t* valueName;
    BOOL CQSettingsInterface::*field;
};

const Option kOptions[] = {
    {IDC_COLLECT_PROCESSES, L"m_boolCollectProcessesInformation",
     &CQSettingsInterface::m_boolCollectProcessesInformation},
    {IDC_DO_NOT_LOG_FILES, L"m_boolDoNotLogFiles", &CQSettingsInterface::m_boolDoNotLogFiles},
    {IDC_AUTOSTART_SESSION, L"m_boolAutostartSession", &CQSettingsInterface::m_boolAutostartSession},
    {IDC_TRAY_ICON, L"m_boolTrayIcon", &CQSettingsInterface::m_boolTrayIcon},
    {IDC_START_MINIMIZED, L"m_boolStartMinimized", &CQSettingsInterface::m_boolStartMinimized},
    {IDC_AUTO_EXPAND_FOLDERS, L"m_boolAutoExpandFolders", &CQSettingsInterface::m_boolAutoExpandFolders},
    {IDC_SORT_TREE_BY_WRITE_SIZE, L"m_boolSortTreeByWriteSize",
     &CQSettingsInterface::m_boolSortTreeByWriteSize},
    {IDC_HEAVY_WRITE_ALERTS, L"m_boolHeavyWriteAlerts", &CQSettingsInterface::m_boolHeavyWriteAlerts},
};

struct ShellCall
{
    HWND owner;
    std::wstring verb;
    std::wstring target;
    int show;
};
std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCWSTR verb, LPCWSTR target, LPCWSTR, LPCWSTR, INT show)
{
    g_shellCalls.push_back({owner, verb ? verb : L"", target ? target : L"", show});
    return reinterpret_cast<HINSTANCE>(42);
}

CQProgramFolderCheck OnlyAdministratorsCanChange(const std::wstring& folder)
{
    CQProgramFolderCheck check;
    check.adminOnly = true;
    check.folder = folder;
    return check;
}

class OptionsDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(DeleteAutostartTask(error)) << testing::PrintToString(error);
        g_pfnCheckAutostartFolder = OnlyAdministratorsCanChange;
    }
    void TearDown() override
    {
        g_pfnCheckAutostartFolder = m_previousCheck;
        std::wstring error;
        DeleteAutostartTask(error);
    }

    CQSettingsInterface& Settings() { return m_app.Context().m_settingsInterface; }

    // Sets the eight settings from a pattern such as "10100101".
    void SetOptions(const char* pattern)
    {
        for (size_t i = 0; i < std::size(kOptions); ++i)
            Settings().*kOptions[i].field = pattern[i] == '1' ? 1 : 0;
    }
    std::string OptionsText()
    {
        std::string text;
        for (const Option& option : kOptions)
            text += Settings().*option.field ? '1' : '0';
        return text;
    }
    static std::string BoxesText(HWND dialog)
    {
        std::string text;
        for (const Option& option : kOptions)
            text += ::IsDlgButtonChecked(dialog, option.boxId) == BST_CHECKED ? '1' : '0';
        return text;
    }
    // The stored DWORDs of the eight values, 'x' for one that cannot be read.
    static std::string RegistryText()
    {
        std::string text;
        for (const Option& option : kOptions)
        {
            DWORD type = 0;
            std::vector<BYTE> data;
            if (!ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, option.valueName, type, data) ||
                type != REG_DWORD || data.size() != 4)
                text += 'x';
            else
                text += *reinterpret_cast<const DWORD*>(data.data()) ? '1' : '0';
        }
        return text;
    }
    static bool ReadRunValue(std::wstring& command)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!ReadRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, L"Tavrello", type, data) || type != REG_SZ)
            return false;
        command.assign(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
        while (!command.empty() && command.back() == 0)
            command.pop_back();
        return true;
    }
    static void WriteRunSentinel()
    {
        const wchar_t sentinel[] = L"sentinel.exe";
        ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, L"Tavrello", REG_SZ, sentinel,
                                       sizeof(sentinel)));
    }

    ScopedAppContext m_app;
    decltype(g_pfnCheckAutostartFolder) m_previousCheck = g_pfnCheckAutostartFolder;
};

TEST_F(OptionsDlgTest, BoxesShowTheValuesCopiedAtConstruction)
{
    const char* patterns[] = {"10101010", "01010101", "00000000", "11111111"};
    for (const char* pattern : patterns)
    {
        SetOptions(pattern);
        OptionsDialog dlg(nullptr);
        SetOptions("11001101"); // changed after construction: not what the dialog shows
        std::string shown;
        dlg.steps.push_back([&](OptionsDialog& d) { shown = BoxesText(d.GetHwnd()); });
        EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
        EXPECT_EQ(pattern, shown);
    }
}

TEST_F(OptionsDlgTest, OkCopiesTheBoxesIntoTheSettingsAndSavesTheSectionAndTheAutostartTask)
{
    SetOptions("10000011");
    Settings().m_csLanguage = L"English";
    Settings().m_intSelectedDiskSize = 3;
    OptionsDialog dlg(nullptr);
    dlg.steps.push_back(
        [](OptionsDialog& d)
        {
            // Flip the first three boxes by clicks, as the user would.
            for (int i = 0; i < 3; ++i)
                ::SendMessageW(d.GetDlgItem(kOptions[i].boxId), BM_CLICK, 0, 0);
            EXPECT_EQ("01100011", BoxesText(d.GetHwnd()));
            PostButtonClick(d.GetHwnd(), IDOK);
        });
    dlg.steps.push_back([](OptionsDialog&) { ADD_FAILURE() << "OK did not end the dialog"; });
    EXPECT_EQ(IDOK, dlg.DoModal());

    EXPECT_EQ("01100011", OptionsText());
    EXPECT_EQ("01100011", RegistryText());
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, L"m_intSelectedDiskSize", type, data))
        << "the whole section is written";
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, L"m_csLanguage", type, data));
    EXPECT_TRUE(AutostartTaskFileExists()) << "autostart was switched on";

    // Switching autostart off again removes the task.
    OptionsDialog again(nullptr);
    again.steps.push_back(
        [](OptionsDialog& d)
        {
            ::SendMessageW(d.GetDlgItem(IDC_AUTOSTART_SESSION), BM_CLICK, 0, 0);
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
    EXPECT_EQ(IDOK, again.DoModal());
    EXPECT_EQ("01000011", RegistryText());
    EXPECT_FALSE(AutostartTaskFileExists());
}

TEST_F(OptionsDlgTest, AutostartStaysOffWhereOthersCanChangeTheProgramAndTheUserLearnsWhy)
{
    // The real check: under Wine every folder belongs to the user as well.
    g_pfnCheckAutostartFolder = m_previousCheck;
    SetOptions("00000000");
    MessageBoxRecorder boxes;
    OptionsDialog dlg(nullptr);
    dlg.steps.push_back(
        [](OptionsDialog& d)
        {
            ::SendMessageW(d.GetDlgItem(IDC_AUTOSTART_SESSION), BM_CLICK, 0, 0);
            EXPECT_EQ("00000000", BoxesText(d.GetHwnd()));
            PostButtonClick(d.GetHwnd(), IDOK);
        });
    EXPECT_EQ(IDOK, dlg.DoModal());
    ASSERT_EQ(1u, boxes.Boxes().size());
    const std::wstring& text = boxes.Boxes()[0].text;
    EXPECT_NE(std::wstring::npos, text.find(L"can be changed by")) << testing::PrintToString(text);
    EXPECT_NE(std::wstring::npos, text.find(L"Program Files")) << testing::PrintToString(text);
    EXPECT_EQ("00000000", RegistryText());
    EXPECT_FALSE(AutostartTaskFileExists());
}

TEST_F(OptionsDlgTest, OkWithoutChangesStillRewritesTheSectionAndRemovesAnOldRunEntry)
{
    SetOptions("10010010");
    WriteRunSentinel();
    ASSERT_EQ("xxxxxxxx", RegistryText());
    OptionsDialog dlg(nullptr);
    dlg.steps.push_back([](OptionsDialog& d) { PostButtonClick(d.GetHwnd(), IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ("10010010", RegistryText());
    std::wstring command;
    EXPECT_FALSE(ReadRunValue(command))
        << "the Run entry of earlier versions goes: " << testing::PrintToString(command);
}

TEST_F(OptionsDlgTest, CancelAfterChangesTouchesNeitherTheSettingsNorTheRegistry)
{
    struct Case
    {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"Cancel button", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
        {"WM_CLOSE", WM_CLOSE, 0},
    };
    for (const Case& c : cases)
    {
        SetOptions("01101001");
        WriteRunSentinel();
        OptionsDialog dlg(nullptr);
        dlg.steps.push_back(
            [&](OptionsDialog& d)
            {
                for (const Option& option : kOptions)
                    ::SendMessageW(d.GetDlgItem(option.boxId), BM_CLICK, 0, 0);
                EXPECT_EQ("10010110", BoxesText(d.GetHwnd())) << c.name;
                ::PostMessageW(d.GetHwnd(), c.message, c.wParam, 0);
            });
        dlg.steps.push_back([&](OptionsDialog&) { ADD_FAILURE() << c.name << " did not end the dialog"; });
        EXPECT_EQ(IDCANCEL, dlg.DoModal()) << c.name;
        EXPECT_EQ("01101001", OptionsText()) << c.name;
        EXPECT_EQ("xxxxxxxx", RegistryText()) << c.name;
        std::wstring command;
        EXPECT_TRUE(ReadRunValue(command)) << c.name;
        EXPECT_EQ(L"sentinel.exe", command) << c.name;
    }
}

TEST_F(OptionsDlgTest, HelpOpensTheHelpPageAndTheDialogStaysOpen)
{
    g_shellCalls.clear();
    const ShellExecuteFn previous = g_pfnShellOpen;
    g_pfnShellOpen = RecordShellOpen;
    OptionsDialog dlg(nullptr);
    HWND dialog = nullptr;
    dlg.steps.push_back(
        [&](OptionsDialog& d)
        {
            dialog = d.GetHwnd();
            ::SendMessageW(d.GetDlgItem(IDC_OPTIONS_HELP), BM_CLICK, 0, 0);
            d.ContinueAfter(50);
        });
    dlg.steps.push_back([&](OptionsDialog& d) { EXPECT_TRUE(::IsWindowVisible(d.GetHwnd())); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal()) << "Help ended the dialog";
    g_pfnShellOpen = previous;

    ASSERT_EQ(1u, g_shellCalls.size());
    EXPECT_EQ(L"open", g_shellCalls[0].verb);
    EXPECT_EQ(HelpPageUrl(), g_shellCalls[0].target);
    EXPECT_EQ(std::wstring(L"https://") + TAVRELLO_WEB_HOST + L"/help/?inref=tavrello",
              g_shellCalls[0].target);
    EXPECT_EQ(dialog, g_shellCalls[0].owner);
    EXPECT_EQ("xxxxxxxx", RegistryText()) << "Help saves nothing";
}

TEST_F(OptionsDlgTest, CheckBoxesHaveVisualStylesSwitchedOff)
{
    OptionsDialog dlg(nullptr);
    bool themed = false;
    dlg.steps.push_back(
        [&](OptionsDialog& d)
        {
            for (const Option& option : kOptions)
                EXPECT_EQ(nullptr, ::GetWindowTheme(d.GetDlgItem(option.boxId))) << option.valueName;
            // A check box made here, without the switch, shows whether themes are on at all.
            HWND reference = ::CreateWindowExW(0, L"BUTTON", L"ref", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 50, 14,
                                               d.GetHwnd(), nullptr, nullptr, nullptr);
            themed = ::GetWindowTheme(reference) != nullptr;
            ::DestroyWindow(reference);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    if (!themed)
        GTEST_SKIP() << "visual styles are not active here, so every check box is unthemed anyway";
}
} // namespace

namespace
{
// The stored threshold, or -1 when there is none.
long long StoredThreshold()
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(HKEY_CURRENT_USER, kInterfacePath, L"m_intAlertMegabytesPerMinute", type, data) ||
        type != REG_DWORD || data.size() != 4)
        return -1;
    return *reinterpret_cast<const DWORD*>(data.data());
}
} // namespace

TEST_F(OptionsDlgTest, TheThresholdBoxBesideTheWarningTakesMegabytesPerMinuteOnOkOnly)
{
    Settings().m_boolHeavyWriteAlerts = 1;
    Settings().m_intAlertMegabytesPerMinute = 2048;

    // Typed, then cancelled: nothing changes.
    OptionsDialog cancelled(nullptr);
    cancelled.steps.push_back(
        [](OptionsDialog& d)
        {
            HWND box = d.GetDlgItem(IDC_ALERT_MEGABYTES);
            EXPECT_EQ(L"2048", WindowText(box));
            EXPECT_TRUE(::GetWindowLongW(box, GWL_STYLE) & ES_NUMBER);
            EXPECT_TRUE(::IsWindowEnabled(box));
            EXPECT_EQ(L"MB per minute", WindowText(d.GetDlgItem(IDC_ALERT_MEGABYTES_LABEL)));
            // In the program's colours.
            HDC hdc = ::CreateCompatibleDC(nullptr);
            const LRESULT brush = ::SendMessageW(d.GetHwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hdc),
                                                 reinterpret_cast<LPARAM>(box));
            EXPECT_NE(0, brush);
            EXPECT_EQ(RGB(255, 255, 240), ::GetTextColor(hdc));
            EXPECT_EQ(RGB(61, 61, 64), ::GetBkColor(hdc));
            ::DeleteDC(hdc);
            ::SetWindowTextW(box, L"500");
            PostButtonClick(d.GetHwnd(), IDCANCEL);
        });
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
    EXPECT_EQ(2048, Settings().m_intAlertMegabytesPerMinute);
    EXPECT_EQ(-1, StoredThreshold());

    // What is no number of megabytes is refused with a message, and the dialog stays; a number is saved.
    MessageBoxRecorder boxes;
    OptionsDialog dlg(nullptr);
    dlg.steps.push_back(
        [&](OptionsDialog& d)
        {
            HWND box = d.GetDlgItem(IDC_ALERT_MEGABYTES);
            const wchar_t* refused[] = {L"", L"1048577", L"12a", L"99999999999"};
            for (const wchar_t* text : refused)
            {
                ::SetWindowTextW(box, text);
                ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                EXPECT_TRUE(::IsWindowVisible(d.GetHwnd())) << testing::PrintToString(std::wstring(text));
                EXPECT_EQ(box, ::GetFocus());
            }
            EXPECT_EQ(2048, Settings().m_intAlertMegabytesPerMinute);
            ::SetWindowTextW(box, L"1048576");
            PostButtonClick(d.GetHwnd(), IDOK);
        });
    dlg.steps.push_back([](OptionsDialog&) { ADD_FAILURE() << "OK did not end the dialog"; });
    EXPECT_EQ(IDOK, dlg.DoModal());
    ASSERT_EQ(4u, boxes.Boxes().size());
    EXPECT_NE(std::wstring::npos, boxes.Boxes()[0].text.find(L"from 0 to 1048576"))
        << testing::PrintToString(boxes.Boxes()[0].text);
    EXPECT_EQ(1048576, Settings().m_intAlertMegabytesPerMinute);
    EXPECT_EQ(1048576, StoredThreshold());
}

TEST_F(OptionsDlgTest, TheThresholdBoxIsGreyWhileTheWarningIsOff)
{
    Settings().m_boolHeavyWriteAlerts = 0;
    Settings().m_intAlertMegabytesPerMinute = 300;
    OptionsDialog dlg(nullptr);
    dlg.steps.push_back(
        [](OptionsDialog& d)
        {
            HWND box = d.GetDlgItem(IDC_ALERT_MEGABYTES);
            EXPECT_FALSE(::IsWindowEnabled(box));
            ::SendMessageW(d.GetDlgItem(IDC_HEAVY_WRITE_ALERTS), BM_CLICK, 0, 0);
            EXPECT_TRUE(::IsWindowEnabled(box));
            ::SetWindowTextW(box, L"");
            ::SendMessageW(d.GetDlgItem(IDC_HEAVY_WRITE_ALERTS), BM_CLICK, 0, 0);
            EXPECT_FALSE(::IsWindowEnabled(box));
            // A grey box is not asked about: its value stays as it was.
            PostButtonClick(d.GetHwnd(), IDOK);
        });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(0, Settings().m_boolHeavyWriteAlerts);
    EXPECT_EQ(300, Settings().m_intAlertMegabytesPerMinute);
}
