// CQDialog's tray icon, minimise-to-tray and restore.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/DialogTemplateBuilder.h"
#include "support/MessagePump.h"
#include "support/ScriptedDialog.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/DialogEnvironment.h"

namespace
{
struct NotifyCall
{
    DWORD message;
    NOTIFYICONDATAW data;
};

std::vector<NotifyCall> g_notifyCalls;

BOOL WINAPI RecordShellNotifyIcon(DWORD message, PNOTIFYICONDATAW data)
{
    NotifyCall call = {message, {}};
    ::CopyMemory(&call.data, data, data->cbSize);
    g_notifyCalls.push_back(call);
    return TRUE;
}

// Every test starts with the tray-only setting off and the shell call recorded, and leaves them so.
class DialogTray : public testing::Test
{
protected:
    void SetUp() override
    {
        g_notifyCalls.clear();
        m_previous = CQDialog::s_pfnShellNotifyIcon;
        CQDialog::s_pfnShellNotifyIcon = RecordShellNotifyIcon;
        SetTrayIconOnlyForTest(FALSE);
    }
    void TearDown() override
    {
        CQDialog::s_pfnShellNotifyIcon = m_previous;
        SetTrayIconOnlyForTest(FALSE);
    }

private:
    BOOL(WINAPI* m_previous)(DWORD, PNOTIFYICONDATAW) = nullptr;
};

DialogTemplateBuilder MakeTemplate(DWORD extraStyle = WS_VISIBLE)
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | extraStyle, 200, 100,
                              L"Tray test");
    dlg.Button(IDOK, BS_DEFPUSHBUTTON, 40, 70, 50, 14, L"OK");
    return dlg;
}

class TrayDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    int leftDown = 0, leftDouble = 0, rightDown = 0, balloonClick = 0;

protected:
    void OnTrayBalloonClick() override { ++balloonClick; }
    void OnTrayLButtonDown() override { ++leftDown; }
    void OnTrayRButtonDown() override { ++rightDown; }
    void OnTrayLButtonDblClk() override
    {
        ++leftDouble;
        ScriptedDialog::OnTrayLButtonDblClk();
    }
};

void RunInDialog(const std::function<void(TrayDialog&)>& check, DWORD extraStyle = WS_VISIBLE)
{
    DialogTemplateBuilder tmpl = MakeTemplate(extraStyle);
    TrayDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST_F(DialogTray, NotifyIconFillsTheStructureAndSkipsRedundantCalls)
{
    RunInDialog(
        [](TrayDialog& d)
        {
            HICON hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
            d.NotifyIcon(NIM_ADD, hIcon, L"Tavrello");
            EXPECT_TRUE(d.IsTrayIconShown());
            d.NotifyIcon(NIM_ADD, hIcon, L"Tavrello");   // already shown: no call
            d.NotifyIcon(NIM_MODIFY, hIcon, L"Changed"); // always passed on
            d.NotifyIcon(NIM_DELETE, hIcon, L"Tavrello");
            EXPECT_FALSE(d.IsTrayIconShown());
            d.NotifyIcon(NIM_DELETE, hIcon, L"Tavrello"); // nothing shown: no call

            ASSERT_EQ(3u, g_notifyCalls.size());
            EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_notifyCalls[0].message);
            EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), g_notifyCalls[1].message);
            EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), g_notifyCalls[2].message);

            const NOTIFYICONDATAW& data = g_notifyCalls[0].data;
            EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE), data.cbSize);
            EXPECT_EQ(d.GetHwnd(), data.hWnd);
            EXPECT_EQ(0xCE0A6A15u, data.uID);
            EXPECT_EQ(7u, data.uFlags);
            EXPECT_EQ(static_cast<UINT>(WM_USER + 100), data.uCallbackMessage);
            EXPECT_EQ(hIcon, data.hIcon);
            EXPECT_EQ(std::wstring(L"Tavrello"), data.szTip);
            EXPECT_EQ(0u, data.dwState);
            EXPECT_EQ(0u, data.dwInfoFlags);
            EXPECT_EQ(std::wstring(L"Changed"), g_notifyCalls[1].data.szTip);
        });
}

TEST_F(DialogTray, BalloonNeedsTheIconIsCutToItsFieldsAndReportsItsClick)
{
    RunInDialog(
        [](TrayDialog& d)
        {
            EXPECT_FALSE(d.ShowBalloon(L"Title", L"Text", NIIF_WARNING));
            EXPECT_TRUE(g_notifyCalls.empty()) << "no balloon without an icon";

            d.NotifyIcon(NIM_ADD, ::LoadIconW(nullptr, IDI_APPLICATION), L"Tavrello");
            const std::wstring title(70, L't');
            const std::wstring text(300, L'x');
            EXPECT_TRUE(d.ShowBalloon(title.c_str(), text.c_str(), NIIF_WARNING));
            ASSERT_EQ(2u, g_notifyCalls.size());
            const NOTIFYICONDATAW& data = g_notifyCalls[1].data;
            EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), g_notifyCalls[1].message);
            EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE), data.cbSize);
            EXPECT_EQ(d.GetHwnd(), data.hWnd);
            EXPECT_EQ(0xCE0A6A15u, data.uID);
            EXPECT_EQ(static_cast<UINT>(NIF_INFO), data.uFlags) << "icon and tip stay as they are";
            EXPECT_EQ(static_cast<DWORD>(NIIF_WARNING), data.dwInfoFlags);
            EXPECT_EQ(title.substr(0, 63), std::wstring(data.szInfoTitle));
            EXPECT_EQ(text.substr(0, 255), std::wstring(data.szInfo));

            ::SendMessageW(d.GetHwnd(), QM_TRAYNOTIFY, kTrayIconId, NIN_BALLOONUSERCLICK);
            EXPECT_EQ(1, d.balloonClick);
            EXPECT_EQ(0, d.leftDown + d.leftDouble + d.rightDown);
            d.NotifyIcon(NIM_DELETE, nullptr, nullptr);
        });
}

TEST_F(DialogTray, TipIsCutToSixtyThreeCharacters)
{
    const std::wstring letters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/=!?<>";
    ASSERT_GE(letters.size(), 70u);
    const struct
    {
        size_t length;
        size_t shown;
    } cases[] = {{70, 63}, {64, 63}, {63, 63}, {62, 62}, {1, 1}, {0, 0}};
    for (const auto& c : cases)
    {
        g_notifyCalls.clear();
        CQDialog dlg(static_cast<const DLGTEMPLATE*>(nullptr), nullptr);
        const std::wstring tip = letters.substr(0, c.length);
        dlg.NotifyIcon(NIM_MODIFY, nullptr, tip.c_str());
        ASSERT_EQ(1u, g_notifyCalls.size());
        EXPECT_EQ(letters.substr(0, c.shown), std::wstring(g_notifyCalls[0].data.szTip))
            << "length " << c.length;
    }

    g_notifyCalls.clear();
    CQDialog dlg(static_cast<const DLGTEMPLATE*>(nullptr), nullptr);
    dlg.NotifyIcon(NIM_MODIFY, nullptr, nullptr);
    ASSERT_EQ(1u, g_notifyCalls.size());
    EXPECT_EQ(std::wstring(), std::wstring(g_notifyCalls[0].data.szTip));
}

TEST_F(DialogTray, TrayCallbackRoutesTheMouseMessages)
{
    RunInDialog(
        [](TrayDialog& d)
        {
            const UINT other[] = {WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONUP};
            for (UINT message : other)
                EXPECT_EQ(0, ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, message));
            EXPECT_EQ(0, d.leftDown + d.leftDouble + d.rightDown);

            ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, WM_LBUTTONDOWN);
            ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, WM_RBUTTONDOWN);
            EXPECT_EQ(1, d.leftDown);
            EXPECT_EQ(1, d.rightDown);
            EXPECT_EQ(0, d.leftDouble);
        });
}

struct MinimizeCase
{
    BOOL trayOnly;
    BOOL hideWhenMinimized;
    bool visibleWhenMinimized;
};

TEST_F(DialogTray, MinimizeHidesOnlyWithTrayOnlyAndTheHideFlag)
{
    const MinimizeCase cases[] = {
        {FALSE, FALSE, true},
        {FALSE, TRUE, true},
        {TRUE, FALSE, true},
        {TRUE, TRUE, false},
    };
    for (const MinimizeCase& c : cases)
    {
        SetTrayIconOnlyForTest(c.trayOnly);
        RunInDialog(
            [&](TrayDialog& d)
            {
                const std::string name = "tray only " + std::to_string(c.trayOnly) + ", hide " +
                                         std::to_string(c.hideWhenMinimized);
                d.m_boolHideWhenMinimized = c.hideWhenMinimized;
                d.MinimizeWindow();
                EXPECT_TRUE(::IsIconic(d.GetHwnd())) << name;
                EXPECT_EQ(c.visibleWhenMinimized, ::IsWindowVisible(d.GetHwnd()) != FALSE) << name;
                EXPECT_TRUE(d.IsMinimizedToTray()) << name;

                d.RestoreWindow();
                EXPECT_FALSE(::IsIconic(d.GetHwnd())) << name;
                EXPECT_TRUE(::IsWindowVisible(d.GetHwnd())) << name;
                EXPECT_FALSE(d.IsMinimizedToTray()) << name;
            });
    }
}

TEST_F(DialogTray, RestoreOfAWindowNotMinimisedShowsItWithoutLeavingItTopmost)
{
    RunInDialog(
        [](TrayDialog& d)
        {
            EXPECT_FALSE(::IsWindowVisible(d.GetHwnd()));
            d.RestoreWindow();
            EXPECT_TRUE(::IsWindowVisible(d.GetHwnd()));
            EXPECT_FALSE(::IsIconic(d.GetHwnd()));
            EXPECT_EQ(0, ::GetWindowLongW(d.GetHwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        },
        0);
}

TEST_F(DialogTray, DoubleClickOnTheTrayIconToggles)
{
    for (BOOL trayOnly : {FALSE, TRUE})
    {
        SetTrayIconOnlyForTest(trayOnly);
        RunInDialog(
            [&](TrayDialog& d)
            {
                d.m_boolHideWhenMinimized = TRUE;
                ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, WM_LBUTTONDBLCLK);
                EXPECT_TRUE(::IsIconic(d.GetHwnd())) << "tray only " << trayOnly;
                EXPECT_EQ(!trayOnly, ::IsWindowVisible(d.GetHwnd()) != FALSE) << "tray only " << trayOnly;

                ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, WM_LBUTTONDBLCLK);
                EXPECT_FALSE(::IsIconic(d.GetHwnd())) << "tray only " << trayOnly;
                EXPECT_TRUE(::IsWindowVisible(d.GetHwnd())) << "tray only " << trayOnly;
                EXPECT_EQ(2, d.leftDouble);
            });
    }
}

TEST_F(DialogTray, DoubleClickShowsAWindowThatStartedHiddenInTheTray)
{
    SetTrayIconOnlyForTest(TRUE);
    RunInDialog(
        [](TrayDialog& d)
        {
            d.m_boolHideWhenMinimized = TRUE;
            ASSERT_FALSE(::IsWindowVisible(d.GetHwnd()));
            ::SendMessageW(d.GetHwnd(), WM_USER + 100, kTrayIconId, WM_LBUTTONDBLCLK);
            EXPECT_TRUE(::IsWindowVisible(d.GetHwnd()));
            EXPECT_FALSE(::IsIconic(d.GetHwnd()));
        },
        0);
}

TEST_F(DialogTray, MinimizeCommandMinimisesThenHidesIntoTheTray)
{
    SetTrayIconOnlyForTest(TRUE);
    RunInDialog(
        [](TrayDialog& d)
        {
            d.m_boolHideWhenMinimized = TRUE;
            ::SendMessageW(d.GetHwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(::IsIconic(d.GetHwnd()));
            EXPECT_FALSE(::IsWindowVisible(d.GetHwnd()));
            EXPECT_TRUE(d.IsMinimizedToTray());
            d.RestoreWindow();
            EXPECT_TRUE(::IsWindowVisible(d.GetHwnd()));
            EXPECT_FALSE(::IsIconic(d.GetHwnd()));
        });
}
} // namespace
