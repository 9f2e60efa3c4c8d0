// CQDialog's look and messages: colours, background, icon, placement, help, tooltips and reflection.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/TestCanvas.h"
#include "support/TopLevelWindow.h"
#include "ui/controls/Control.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/DialogEnvironment.h"

namespace
{
constexpr WORD kLabelId = 1001;
constexpr WORD kButtonId = 1002;
constexpr WORD kEditId = 1003;
constexpr COLORREF kSentinelColor = RGB(1, 2, 3);

DialogTemplateBuilder MakeTemplate()
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 100, L"Look test");
    dlg.Static(kLabelId, SS_LEFT | SS_NOTIFY, 10, 10, 80, 12, L"Label")
        .Button(kButtonId, BS_PUSHBUTTON, 10, 30, 60, 14, L"Button")
        .Edit(kEditId, ES_AUTOHSCROLL, 80, 30, 60, 12)
        .Button(IDOK, BS_DEFPUSHBUTTON, 40, 70, 50, 14, L"OK");
    return dlg;
}

class LookDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    int helpRequests = 0;
    std::vector<UINT> commands;

protected:
    void OnHelpRequest() override { ++helpRequests; }
    const wchar_t* GetToolTipText(UINT controlId) override
    {
        return controlId == kLabelId ? L"Explains the label" : nullptr;
    }
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override
    {
        commands.push_back(id);
        return ScriptedDialog::OnCommand(id, code, hwndControl);
    }
};

// Runs `check` inside a modal run of a LookDialog.
void RunInDialog(const std::function<void(LookDialog&)>& check, HWND hOwner = nullptr)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    LookDialog dlg(tmpl.Get(), hOwner);
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(DialogLook, StaticColourMessageSetsTheColoursAndReturnsTheBackgroundBrush)
{
    RunInDialog(
        [](LookDialog& d)
        {
            TestCanvas canvas(8, 8);
            ::SetTextColor(canvas.Dc(), kSentinelColor);
            ::SetBkMode(canvas.Dc(), OPAQUE);
            const LRESULT brush =
                ::SendMessageW(d.GetHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()),
                               reinterpret_cast<LPARAM>(d.GetDlgItem(kLabelId)));
            ASSERT_NE(nullptr, d.GetBackgroundBrush());
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.GetBackgroundBrush()), brush);
            EXPECT_EQ(kControlTextColor, ::GetTextColor(canvas.Dc()));
            EXPECT_EQ(TRANSPARENT, ::GetBkMode(canvas.Dc()));

            LOGBRUSH info = {};
            ASSERT_TRUE(::GetObjectW(d.GetBackgroundBrush(), sizeof(info), &info));
            EXPECT_EQ(kDialogBackgroundColor, info.lbColor);
        });
}

TEST(DialogLook, DialogColourReturnsTheBrushAndOtherControlsKeepTheDefault)
{
    RunInDialog(
        [](LookDialog& d)
        {
            TestCanvas canvas(8, 8);
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.GetBackgroundBrush()),
                      ::SendMessageW(d.GetHwnd(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(canvas.Dc()),
                                     reinterpret_cast<LPARAM>(d.GetHwnd())));

            const struct
            {
                UINT message;
                WORD id;
            } others[] = {{WM_CTLCOLORBTN, kButtonId}, {WM_CTLCOLOREDIT, kEditId}};
            for (const auto& other : others)
            {
                ::SetTextColor(canvas.Dc(), kSentinelColor);
                const LRESULT result =
                    ::SendMessageW(d.GetHwnd(), other.message, reinterpret_cast<WPARAM>(canvas.Dc()),
                                   reinterpret_cast<LPARAM>(d.GetDlgItem(other.id)));
                EXPECT_NE(reinterpret_cast<LRESULT>(d.GetBackgroundBrush()), result)
                    << "message " << other.message;
                EXPECT_NE(kControlTextColor, ::GetTextColor(canvas.Dc())) << "message " << other.message;
            }
        });
}

TEST(DialogLook, EraseFillsTheClipBoxWithTheBackground)
{
    RunInDialog(
        [](LookDialog& d)
        {
            TestCanvas canvas(40, 40);
            canvas.Fill(RGB(255, 255, 255));
            ::IntersectClipRect(canvas.Dc(), 10, 10, 30, 20);
            const LRESULT result =
                ::SendMessageW(d.GetHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
            EXPECT_NE(0, result);
            EXPECT_TRUE(canvas.AllPixels(RECT{10, 10, 30, 20}, kDialogBackgroundColor));
            EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(9, 9));
            EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(30, 20));
        });
}

TEST(DialogLook, ApplicationIconIsTheWindowIconAndTheDragIcon)
{
    HICON hIcon = GetApplicationIcon();
    EXPECT_EQ(hIcon, GetApplicationIcon()) << "the icon is loaded once";
    if (!hIcon)
        GTEST_SKIP() << "the program's resources have no icon 128 in this build";
    RunInDialog(
        [hIcon](LookDialog& d)
        {
            EXPECT_EQ(reinterpret_cast<LRESULT>(hIcon), ::SendMessageW(d.GetHwnd(), WM_GETICON, ICON_BIG, 0));
            EXPECT_EQ(reinterpret_cast<LRESULT>(hIcon),
                      ::SendMessageW(d.GetHwnd(), WM_GETICON, ICON_SMALL, 0));
            EXPECT_EQ(reinterpret_cast<LRESULT>(hIcon), ::SendMessageW(d.GetHwnd(), WM_QUERYDRAGICON, 0, 0));
        });
}

TEST(DialogLook, DialogIsCentredOnItsOwner)
{
    TopLevelWindow owner(L"Owner", 150, 120, 600, 500);
    RunInDialog(
        [&](LookDialog& d)
        {
            RECT ownerRect = {}, dialogRect = {};
            ::GetWindowRect(owner.Get(), &ownerRect);
            ::GetWindowRect(d.GetHwnd(), &dialogRect);
            EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (dialogRect.left + dialogRect.right) / 2, 1);
            EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (dialogRect.top + dialogRect.bottom) / 2, 1);
        },
        owner.Get());
}

TEST(DialogLook, HelpRequestGoesToTheHookAndOpensNothing)
{
    RunInDialog(
        [](LookDialog& d)
        {
            HELPINFO info = {};
            info.cbSize = sizeof(info);
            info.iContextType = HELPINFO_WINDOW;
            info.iCtrlId = kLabelId;
            info.hItemHandle = d.GetDlgItem(kLabelId);
            ::SendMessageW(d.GetHwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(1, d.helpRequests);
        });
}

TEST(DialogLook, ToolTipHitTestFindsTheChildAndAsksForItsText)
{
    RunInDialog(
        [](LookDialog& d)
        {
            HWND hToolTip = d.GetToolTip();
            ASSERT_NE(nullptr, hToolTip);

            RECT label = {};
            ::GetWindowRect(d.GetDlgItem(kLabelId), &label);
            ::MapWindowPoints(nullptr, d.GetHwnd(), reinterpret_cast<POINT*>(&label), 2);
            EXPECT_EQ(kLabelId,
                      d.ToolHitTest(POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2}));
            EXPECT_EQ(0u, d.ToolHitTest(POINT{1, 1})) << "no child at the dialog's corner";

            struct
            {
                UINT_PTR idFrom;
                UINT flags;
                const wchar_t* expected;
            } cases[] = {
                {kLabelId, 0, L"Explains the label"},
                {reinterpret_cast<UINT_PTR>(d.GetDlgItem(kLabelId)), TTF_IDISHWND, L"Explains the label"},
                {kButtonId, 0, L""},
            };
            for (const auto& c : cases)
            {
                NMTTDISPINFOW info = {};
                info.hdr.hwndFrom = hToolTip;
                info.hdr.idFrom = c.idFrom;
                info.hdr.code = TTN_GETDISPINFOW;
                info.uFlags = c.flags;
                ::SendMessageW(d.GetHwnd(), WM_NOTIFY, c.idFrom, reinterpret_cast<LPARAM>(&info));
                ASSERT_NE(nullptr, info.lpszText);
                EXPECT_EQ(std::wstring(c.expected), std::wstring(info.lpszText)) << "tool " << c.idFrom;
            }
        });
}

int ToolCount(HWND hToolTip)
{
    return static_cast<int>(::SendMessageW(hToolTip, TTM_GETTOOLCOUNT, 0, 0));
}

TEST(DialogLook, MouseOverAControlWithATextMakesItTheTool)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    LookDialog dlg(tmpl.Get(), nullptr);
    POINT original = {};
    ::GetCursorPos(&original);
    auto moveOver = [](LookDialog& d, int id)
    {
        RECT rect = {};
        ::GetWindowRect(d.GetDlgItem(id), &rect);
        ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::PostMessageW(d.GetDlgItem(id), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    };
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { moveOver(dlg, kLabelId); });
    dlg.steps.push_back(
        [&](ScriptedDialog<CQDialog>&)
        {
            POINT pt = {};
            ::GetCursorPos(&pt);
            if (::WindowFromPoint(pt) != dlg.GetDlgItem(kLabelId) && ::WindowFromPoint(pt) != dlg.GetHwnd())
                GTEST_SKIP() << "the cursor cannot be placed on this display";
            ASSERT_EQ(1, ToolCount(dlg.GetToolTip()));
            TOOLINFOW tool = {};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            ASSERT_TRUE(::SendMessageW(dlg.GetToolTip(), TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
            EXPECT_EQ(dlg.GetHwnd(), tool.hwnd);
            EXPECT_EQ(kLabelId, tool.uId);
            moveOver(dlg, kButtonId);
        });
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&)
                        { EXPECT_EQ(0, ToolCount(dlg.GetToolTip())) << "the button has no text: no tool"; });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    ::SetCursorPos(original.x, original.y);
}

// A control wrapper that takes reflected command notifications when told to.
class ReflectProbe : public CQControl
{
public:
    bool take = false;
    std::vector<UINT> reflected;

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        reflected.push_back(message);
        if (message != WM_COMMAND || !take)
            return FALSE;
        result = 0;
        return TRUE;
    }
};

TEST(DialogLook, ControlNotificationsAreOfferedToTheBoundControlFirst)
{
    RunInDialog(
        [](LookDialog& d)
        {
            ReflectProbe probe;
            ASSERT_TRUE(probe.Attach(d.GetHwnd(), kButtonId));
            HWND hButton = d.GetDlgItem(kButtonId);

            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(hButton));
            ASSERT_EQ(1u, d.commands.size()) << "not taken by the control: the dialog handles it";
            EXPECT_EQ(kButtonId, d.commands[0]);

            probe.take = true;
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(hButton));
            EXPECT_EQ(1u, d.commands.size()) << "taken by the control: the dialog does not see it";
            EXPECT_EQ(2u, probe.reflected.size());

            probe.Detach();
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(hButton));
            EXPECT_EQ(2u, probe.reflected.size()) << "a detached wrapper is not asked";
            EXPECT_EQ(2u, d.commands.size());
        });
}
} // namespace
