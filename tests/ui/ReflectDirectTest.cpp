// Reflection reaches a bound wrapper by a direct call and any other window of the process by QM_REFLECT;
// either way a throwing handler leaves the message to the dialog.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "ui/controls/Control.h"
#include "ui/controls/Reflect.h"

namespace
{
constexpr WORD kButtonId = 1201;

class CommandDialog : public CQDialog
{
public:
    using CQDialog::CQDialog;
    std::vector<UINT> commands;

protected:
    BOOL OnCommand(UINT id, UINT code, HWND control) override
    {
        if (id == kButtonId)
        {
            commands.push_back(id);
            return TRUE;
        }
        return CQDialog::OnCommand(id, code, control);
    }
};

using TestDialog = ScriptedDialog<CommandDialog>;

class ThrowingProbe : public CQControl
{
public:
    int asked = 0;

protected:
    BOOL OnReflectedMessage(UINT message, WPARAM, LPARAM, LRESULT&) override
    {
        if (message != WM_COMMAND)
            return FALSE;
        ++asked;
        throw std::runtime_error("handler failed");
    }
};

// A plain window class of this process that answers QM_REFLECT itself.
LRESULT CALLBACK AnsweringProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == QM_REFLECT)
    {
        CQReflectedMessage* reflected = reinterpret_cast<CQReflectedMessage*>(lParam);
        reflected->result = 77;
        reflected->handled = TRUE;
        return 1;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

DialogTemplateBuilder MakeTemplate()
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION, 160, 80, L"Reflect");
    dlg.Button(kButtonId, BS_PUSHBUTTON, 10, 10, 60, 14, L"Button");
    return dlg;
}
} // namespace

TEST(ReflectDirect, AThrowingWrapperLeavesTheNotificationToTheDialog)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            ThrowingProbe probe;
            ASSERT_TRUE(probe.Attach(d.GetHwnd(), kButtonId));
            HWND button = d.GetDlgItem(kButtonId);
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            EXPECT_EQ(1, probe.asked);
            EXPECT_EQ(1u, d.commands.size());
            EXPECT_EQ(probe.GetHwnd(), button);
            EXPECT_EQ(&probe, CQControl::FromHandle(button));
            probe.Detach();
            EXPECT_EQ(nullptr, CQControl::FromHandle(button));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ReflectDirect, AnotherWindowOfTheProcessIsAskedWithTheMessage)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = AnsweringProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TavrelloReflectAnswering";
    ::RegisterClassW(&wc);
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            HWND child =
                ::CreateWindowExW(0, L"TavrelloReflectAnswering", L"", WS_CHILD, 0, 0, 10, 10, d.GetHwnd(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
            ASSERT_NE(nullptr, child);
            LRESULT result = 0;
            EXPECT_TRUE(ReflectToControl(child, WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                                         reinterpret_cast<LPARAM>(child), result));
            EXPECT_EQ(77, result);
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(child));
            EXPECT_TRUE(d.commands.empty()) << "answered by the window: the dialog does not see it";
            ::DestroyWindow(child);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ReflectDirect, ADestroyedControlIsNoLongerFound)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    TestDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](TestDialog& d)
        {
            CQControl wrapper;
            HWND child = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 0, 0, 10, 10, d.GetHwnd(), nullptr,
                                           nullptr, nullptr);
            ASSERT_TRUE(wrapper.SubclassWindow(child));
            EXPECT_EQ(&wrapper, CQControl::FromHandle(child));
            ::DestroyWindow(child);
            EXPECT_EQ(nullptr, wrapper.GetHwnd());
            EXPECT_EQ(nullptr, CQControl::FromHandle(child));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
