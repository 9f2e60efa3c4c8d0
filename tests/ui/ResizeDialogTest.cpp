// CQResizeDialog: minimum tracking size and the layout hook.
#include <gtest/gtest.h>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/WindowQueries.h"
#include "ui/controls/ResizeDialog.h"

namespace
{
constexpr WORD kMovedId = 1001;
constexpr WORD kGrownId = 1002;

DialogTemplateBuilder MakeTemplate()
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                  WS_VISIBLE,
                              200, 120, L"Resize test");
    dlg.Static(kMovedId, SS_LEFT, 10, 10, 60, 12, L"Moved")
        // Without integral height the list box keeps the height it is given; with it, the height would
        // snap to whole rows of whatever font the machine has.
        .ListBox(kGrownId, WS_BORDER | LBS_NOINTEGRALHEIGHT, 10, 30, 100, 60)
        .Button(IDOK, BS_DEFPUSHBUTTON, 140, 100, 50, 14, L"OK");
    return dlg;
}

// Lays out like the main window: the deltas against the last layout move one control and grow another.
class LayoutDialog : public ScriptedDialog<CQResizeDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    int layouts = 0;
    int lastDx = 0, lastDy = 0;
    using CQResizeDialog::OffsetControl;

protected:
    void RepositionControls() override
    {
        ++layouts;
        RECT now = {};
        ::GetWindowRect(GetHwnd(), &now);
        const RECT& last = GetLastLayoutRect();
        lastDx = (now.right - now.left) - (last.right - last.left);
        lastDy = (now.bottom - now.top) - (last.bottom - last.top);
        SetLastLayoutRect(now);
        OffsetControl(kMovedId, lastDx, lastDy, 0, 0);
        OffsetControl(kGrownId, 0, 0, lastDx, lastDy);
    }
};

void RunInDialog(const std::function<void(LayoutDialog&)>& check)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    LayoutDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back([&](ScriptedDialog<CQResizeDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ResizeDialog, InitialisationRecordsTheSizeAndLaysOutOnce)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const SIZE size = WindowSize(d.GetHwnd());
            EXPECT_TRUE(d.m_boolResizingEnabled);
            EXPECT_EQ(size.cx, d.m_intMinTrackWidth);
            EXPECT_EQ(size.cy, d.m_intMinTrackHeight);
            EXPECT_EQ(size.cx, d.GetMinTrackWidth());
            EXPECT_EQ(1, d.layouts);
        });
}

TEST(ResizeDialog, MinMaxQueryAnswersTheInitialSizeAndKeepsTheRest)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const SIZE size = WindowSize(d.GetHwnd());
            MINMAXINFO info = {};
            info.ptMinTrackSize = POINT{1, 1};
            info.ptMaxTrackSize = POINT{4321, 1234};
            info.ptMaxSize = POINT{999, 888};
            ::SendMessageW(d.GetHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(size.cx, info.ptMinTrackSize.x);
            EXPECT_EQ(size.cy, info.ptMinTrackSize.y);
            EXPECT_EQ(4321, info.ptMaxTrackSize.x);
            EXPECT_EQ(1234, info.ptMaxTrackSize.y);
            EXPECT_EQ(999, info.ptMaxSize.x);
        });
}

TEST(ResizeDialog, ShrinkingBelowTheInitialSizeIsRefused)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const SIZE initial = WindowSize(d.GetHwnd());
            ::SetWindowPos(d.GetHwnd(), nullptr, 0, 0, initial.cx - 60, initial.cy - 40,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            const SIZE after = WindowSize(d.GetHwnd());
            EXPECT_EQ(initial.cx, after.cx);
            EXPECT_EQ(initial.cy, after.cy);
        });
}

TEST(ResizeDialog, GrowingMovesAndSizesTheControlsByTheDeltas)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const SIZE initial = WindowSize(d.GetHwnd());
            const RECT moved = ClientRectOf(d.GetHwnd(), kMovedId);
            const RECT grown = ClientRectOf(d.GetHwnd(), kGrownId);
            const int layouts = d.layouts;

            ::SetWindowPos(d.GetHwnd(), nullptr, 0, 0, initial.cx + 60, initial.cy + 40,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            EXPECT_GT(d.layouts, layouts);
            EXPECT_EQ(60, d.lastDx);
            EXPECT_EQ(40, d.lastDy);

            const RECT movedNow = ClientRectOf(d.GetHwnd(), kMovedId);
            EXPECT_EQ(moved.left + 60, movedNow.left);
            EXPECT_EQ(moved.top + 40, movedNow.top);
            EXPECT_EQ(moved.right - moved.left, movedNow.right - movedNow.left);
            EXPECT_EQ(moved.bottom - moved.top, movedNow.bottom - movedNow.top);

            const RECT grownNow = ClientRectOf(d.GetHwnd(), kGrownId);
            EXPECT_EQ(grown.left, grownNow.left);
            EXPECT_EQ(grown.top, grownNow.top);
            EXPECT_EQ(grown.right - grown.left + 60, grownNow.right - grownNow.left);
            EXPECT_EQ(grown.bottom - grown.top + 40, grownNow.bottom - grownNow.top);
        });
}

TEST(ResizeDialog, MinimisingAndRestoringDoNotChangeTheLayout)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const RECT moved = ClientRectOf(d.GetHwnd(), kMovedId);
            const int layouts = d.layouts;
            ::ShowWindow(d.GetHwnd(), SW_MINIMIZE);
            ASSERT_TRUE(::IsIconic(d.GetHwnd()));
            EXPECT_EQ(layouts, d.layouts) << "minimising ran the layout";
            ::ShowWindow(d.GetHwnd(), SW_RESTORE);
            EXPECT_EQ(0, d.lastDx);
            EXPECT_EQ(0, d.lastDy);
            const RECT movedNow = ClientRectOf(d.GetHwnd(), kMovedId);
            EXPECT_EQ(moved.left, movedNow.left);
            EXPECT_EQ(moved.top, movedNow.top);
        });
}

TEST(ResizeDialog, OffsetControlOutsideALayoutAppliesAtOnce)
{
    RunInDialog(
        [](LayoutDialog& d)
        {
            const RECT before = ClientRectOf(d.GetHwnd(), kMovedId);
            d.OffsetControl(kMovedId, 3, 4, 5, 6);
            const RECT after = ClientRectOf(d.GetHwnd(), kMovedId);
            EXPECT_EQ(before.left + 3, after.left);
            EXPECT_EQ(before.top + 4, after.top);
            EXPECT_EQ(before.right + 3 + 5, after.right);
            EXPECT_EQ(before.bottom + 4 + 6, after.bottom);
            d.OffsetControl(4242, 1, 1, 1, 1); // no such control: nothing happens
        });
}

TEST(ResizeDialog, PlainDialogLeavesTheMinMaxQueryToTheSystem)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ScriptedDialog<CQDialog> dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](ScriptedDialog<CQDialog>& d)
        {
            EXPECT_FALSE(d.m_boolResizingEnabled);
            MINMAXINFO info = {};
            info.ptMinTrackSize = POINT{1, 1};
            ::SendMessageW(d.GetHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(1, info.ptMinTrackSize.x);
            EXPECT_EQ(1, info.ptMinTrackSize.y);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
} // namespace
