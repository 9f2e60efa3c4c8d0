// The modal run of CQDialog: result, visibility, owner state, default commands, failures.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/TopLevelWindow.h"
#include "ui/controls/Dialog.h"

namespace
{
constexpr WORD kLabelId = 1001;

DialogTemplateBuilder MakeTemplate(DWORD extraStyle = WS_VISIBLE)
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU | extraStyle, 200, 100, L"Modal test");
    dlg.Static(kLabelId, SS_LEFT, 10, 10, 120, 12, L"Label")
        .Button(IDOK, BS_DEFPUSHBUTTON, 40, 70, 50, 14, L"OK")
        .Button(IDCANCEL, BS_PUSHBUTTON, 110, 70, 50, 14, L"Cancel");
    return dlg;
}

using TestDialog = ScriptedDialog<CQDialog>;

TEST(DialogModal, ReturnsTheValueGivenToEndDialogAndDestroysTheWindow)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    HWND seen = nullptr;
    dlg.steps.push_back(
        [&](TestDialog& d)
        {
            seen = d.GetHwnd();
            d.EndDialog(42);
        });
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_FALSE(dlg.timedOut);
    ASSERT_NE(nullptr, seen);
    EXPECT_FALSE(::IsWindow(seen));
    EXPECT_EQ(nullptr, dlg.GetHwnd());

    // The same object runs again.
    dlg.steps.clear();
    dlg.finishResult = 7;
    EXPECT_EQ(7, dlg.DoModal());
}

TEST(DialogModal, MissingTemplateGivesMinusOneWithoutWindow)
{
    CQDialog byName(L"No Such Template", nullptr);
    EXPECT_EQ(-1, byName.DoModal());
    CQDialog byId(59999u, nullptr);
    EXPECT_EQ(-1, byId.DoModal());
    CQDialog byPointer(static_cast<const DLGTEMPLATE*>(nullptr), nullptr);
    EXPECT_EQ(-1, byPointer.DoModal());
}

TEST(DialogModal, TemplateWithoutVisibleStyleStaysHiddenUntilTheDialogShowsItself)
{
    DialogTemplateBuilder tmpl = MakeTemplate(0);
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            EXPECT_FALSE(::IsWindowVisible(d.GetHwnd()));
            d.ContinueAfter(300); // timers and idle time pass in the dialog's own loop
        });
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            EXPECT_FALSE(::IsWindowVisible(d.GetHwnd())) << "the loop showed the window by itself";
            ::ShowWindow(d.GetHwnd(), SW_SHOW);
            EXPECT_TRUE(::IsWindowVisible(d.GetHwnd()));
            d.ContinueAfter(50);
        });
    dlg.steps.push_back([](TestDialog& d) { EXPECT_TRUE(::IsWindowVisible(d.GetHwnd())); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_EQ(3, dlg.stepsRun);
}

TEST(DialogModal, OwnerIsDisabledDuringTheRunAndEnabledAfter)
{
    TopLevelWindow owner;
    ASSERT_NE(nullptr, owner.Get());
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), owner.Get());
    dlg.steps.push_back(
        [&](TestDialog& d)
        {
            EXPECT_EQ(owner.Get(), ::GetWindow(d.GetHwnd(), GW_OWNER));
            EXPECT_FALSE(::IsWindowEnabled(owner.Get()));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
}

TEST(DialogModal, OwnerDisabledBeforeTheRunStaysDisabled)
{
    TopLevelWindow owner;
    ::EnableWindow(owner.Get(), FALSE);
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), owner.Get());
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_FALSE(::IsWindowEnabled(owner.Get()));
}

TEST(DialogModal, ChildParentGivesItsTopLevelWindowAsOwner)
{
    TopLevelWindow owner;
    HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner.Get(),
                                   nullptr, nullptr, nullptr);
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), child);
    dlg.steps.push_back(
        [&](TestDialog& d)
        {
            EXPECT_EQ(owner.Get(), ::GetWindow(d.GetHwnd(), GW_OWNER));
            EXPECT_FALSE(::IsWindowEnabled(owner.Get()));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
}

struct CommandCase
{
    const char* name;
    UINT message;
    WPARAM wParam;
    bool toFocus; // post to the focused control (keys) rather than to the dialog
    INT_PTR expected;
};

TEST(DialogModal, DefaultCommandsEndTheDialog)
{
    const CommandCase cases[] = {
        {"IDOK command", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), false, IDOK},
        {"IDCANCEL command", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), false, IDCANCEL},
        {"WM_CLOSE", WM_CLOSE, 0, false, IDCANCEL},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false, IDCANCEL},
        {"Escape key", WM_KEYDOWN, VK_ESCAPE, true, IDCANCEL},
        {"Enter key", WM_KEYDOWN, VK_RETURN, true, IDOK},
    };
    for (const CommandCase& c : cases)
    {
        DialogTemplateBuilder tmpl = MakeTemplate();
        TestDialog dlg(tmpl.Get(), nullptr);
        dlg.steps.push_back(
            [&](TestDialog& d)
            {
                HWND target = d.GetHwnd();
                if (c.toFocus && ::GetFocus() && ::IsChild(d.GetHwnd(), ::GetFocus()))
                    target = ::GetFocus();
                ::PostMessageW(target, c.message, c.wParam, c.toFocus ? 0x00010001 : 0);
                d.ContinueAfter(2000); // the command must end the dialog before this passes
            });
        dlg.finishResult = 555;
        EXPECT_EQ(c.expected, dlg.DoModal()) << c.name;
    }
}

class ThrowingDialog : public TestDialog
{
public:
    using TestDialog::TestDialog;
    bool throwInInit = false;

protected:
    BOOL OnInitDialog() override
    {
        if (throwInInit)
            throw std::runtime_error("init failed");
        return TestDialog::OnInitDialog();
    }
};

TEST(DialogModal, ExceptionInAHandlerGivesMinusOneAndCleansUp)
{
    TopLevelWindow owner;
    DialogTemplateBuilder tmpl = MakeTemplate();
    {
        ThrowingDialog dlg(tmpl.Get(), owner.Get());
        dlg.throwInInit = true;
        EXPECT_EQ(-1, dlg.DoModal());
        EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
        EXPECT_EQ(nullptr, dlg.GetHwnd());
    }
    {
        ThrowingDialog dlg(tmpl.Get(), owner.Get());
        dlg.steps.push_back([](TestDialog&) { throw std::runtime_error("step failed"); });
        EXPECT_EQ(-1, dlg.DoModal());
        EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
        EXPECT_EQ(nullptr, dlg.GetHwnd());
    }
}

TEST(DialogModal, QuitMessageEndsTheRunAndIsPostedAgain)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            ::PostQuitMessage(17);
            d.ContinueAfter(2000);
        });
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_FALSE(dlg.timedOut);
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(17u, msg.wParam);
}

class PreTranslateDialog : public TestDialog
{
public:
    using TestDialog::TestDialog;
    UINT consumedMessage = 0;
    int consumed = 0;
    int reachedProc = 0;
    int otherReachedProc = 0;
    UINT otherMessage = 0;

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == consumedMessage)
        {
            ++consumed;
            return TRUE;
        }
        return TestDialog::PreTranslateMessage(pMsg);
    }

protected:
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == consumedMessage)
            ++reachedProc;
        if (message == otherMessage)
            ++otherReachedProc;
        return TestDialog::WindowProc(message, wParam, lParam, result);
    }
};

TEST(DialogModal, PreTranslateMessageConsumesARegisteredMessage)
{
    DialogTemplateBuilder tmpl = MakeTemplate(0);
    PreTranslateDialog dlg(tmpl.Get(), nullptr);
    dlg.consumedMessage = ::RegisterWindowMessageW(L"Tavrello controls test show");
    dlg.otherMessage = ::RegisterWindowMessageW(L"Tavrello controls test other");
    ASSERT_NE(0u, dlg.consumedMessage);
    dlg.steps.push_back(
        [&](TestDialog& d)
        {
            ::PostMessageW(d.GetHwnd(), dlg.consumedMessage, 0, 0);
            ::PostMessageW(d.GetHwnd(), dlg.otherMessage, 0, 0);
        });
    dlg.steps.push_back(
        [&](TestDialog&)
        {
            EXPECT_EQ(1, dlg.consumed);
            EXPECT_EQ(0, dlg.reachedProc);
            EXPECT_EQ(1, dlg.otherReachedProc);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(DialogModal, EndDialogDuringInitialisationSkipsTheLoop)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.onInit = [](TestDialog& d) { d.EndDialog(9); };
    dlg.steps.push_back([](TestDialog&) { ADD_FAILURE() << "the loop ran after EndDialog"; });
    EXPECT_EQ(9, dlg.DoModal());
    EXPECT_EQ(0, dlg.stepsRun);
}
} // namespace
