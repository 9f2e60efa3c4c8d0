// CQDialog's command-update walk over a popup menu (WM_INITMENUPOPUP).
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "ui/controls/Dialog.h"

namespace
{
enum class Action
{
    None,         // no handler
    Disable,      // handler that disables the item
    Check,        // handler that checks the item and leaves its state
    Rename,       // handler that sets a new text
    RemoveItself, // handler that deletes its own item
};

class MenuDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    std::map<UINT, Action> actions;
    std::vector<UINT> updated;
    HMENU parentSeen = nullptr;

protected:
    BOOL OnUpdateCommand(UINT id, CQCmdUI& ui) override
    {
        updated.push_back(id);
        parentSeen = ui.m_hParentMenu;
        auto it = actions.find(id);
        if (it == actions.end() || it->second == Action::None)
            return FALSE;
        switch (it->second)
        {
        case Action::Disable:
            ui.Enable(FALSE);
            break;
        case Action::Check:
            ui.SetCheck(1);
            break;
        case Action::Rename:
            ui.SetText(L"Renamed");
            break;
        case Action::RemoveItself:
            ::DeleteMenu(ui.m_hMenu, ui.m_dwordIndex, MF_BYPOSITION);
            break;
        default:
            break;
        }
        return TRUE;
    }
};

void RunInDialog(const std::function<void(MenuDialog&)>& check)
{
    DialogTemplateBuilder tmpl(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 100, L"Menu test");
    tmpl.Button(IDOK, BS_DEFPUSHBUTTON, 40, 70, 50, 14, L"OK");
    MenuDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

bool IsGrayed(HMENU hMenu, UINT position)
{
    return (::GetMenuState(hMenu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
}

TEST(DialogMenuUpdate, WalkSkipsSeparatorsAndRoutesSubMenusByTheirFirstItem)
{
    RunInDialog(
        [](MenuDialog& d)
        {
            HMENU hPopup = ::CreatePopupMenu();
            HMENU hHandled = ::CreatePopupMenu();
            HMENU hUnhandled = ::CreatePopupMenu();
            HMENU hSeparatorFirst = ::CreatePopupMenu();
            ::AppendMenuW(hHandled, MF_STRING, 210, L"Sub handled");
            ::AppendMenuW(hUnhandled, MF_STRING, 220, L"Sub unhandled");
            ::AppendMenuW(hSeparatorFirst, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(hSeparatorFirst, MF_STRING, 230, L"After separator");

            ::AppendMenuW(hPopup, MF_STRING, 100, L"Plain without handler");                              // 0
            ::AppendMenuW(hPopup, MF_SEPARATOR, 0, nullptr);                                              // 1
            ::AppendMenuW(hPopup, MF_STRING, 110, L"Plain disabled");                                     // 2
            ::AppendMenuW(hPopup, MF_STRING, 120, L"Plain checked");                                      // 3
            ::AppendMenuW(hPopup, MF_STRING, 130, L"Plain renamed");                                      // 4
            ::AppendMenuW(hPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(hHandled), L"Handled sub");        // 5
            ::AppendMenuW(hPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(hUnhandled), L"Unhandled sub");    // 6
            ::AppendMenuW(hPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(hSeparatorFirst), L"Skipped sub"); // 7
            d.actions = {
                {110, Action::Disable}, {120, Action::Check}, {130, Action::Rename}, {210, Action::Check}};

            ::SendMessageW(d.GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);

            EXPECT_EQ((std::vector<UINT>{100, 110, 120, 130, 210, 220}), d.updated);
            EXPECT_FALSE(IsGrayed(hPopup, 0)) << "plain items are never disabled for lack of a handler";
            EXPECT_TRUE(IsGrayed(hPopup, 2));
            EXPECT_TRUE(::GetMenuState(hPopup, 3, MF_BYPOSITION) & MF_CHECKED);
            wchar_t text[32] = {};
            ::GetMenuStringW(hPopup, 4, text, 32, MF_BYPOSITION);
            EXPECT_EQ(std::wstring(L"Renamed"), text);
            EXPECT_FALSE(IsGrayed(hPopup, 5)) << "a sub-menu with a handler stays enabled";
            EXPECT_TRUE(IsGrayed(hPopup, 6)) << "a sub-menu without a handler is disabled";
            EXPECT_FALSE(IsGrayed(hPopup, 7)) << "a sub-menu that cannot be routed is left alone";
            EXPECT_EQ(hHandled, ::GetSubMenu(hPopup, 5)) << "updating a sub-menu item keeps its sub-menu";
            ::DestroyMenu(hPopup);
        });
}

TEST(DialogMenuUpdate, ItemsRemovedByAHandlerDoNotHideTheNextItems)
{
    RunInDialog(
        [](MenuDialog& d)
        {
            HMENU hPopup = ::CreatePopupMenu();
            ::AppendMenuW(hPopup, MF_STRING, 300, L"Removes itself (first)");
            ::AppendMenuW(hPopup, MF_STRING, 310, L"Second");
            ::AppendMenuW(hPopup, MF_STRING, 320, L"Removes itself (middle)");
            ::AppendMenuW(hPopup, MF_STRING, 330, L"Last");
            d.actions = {{300, Action::RemoveItself}, {320, Action::RemoveItself}, {330, Action::Disable}};

            ::SendMessageW(d.GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);

            EXPECT_EQ((std::vector<UINT>{300, 310, 320, 330}), d.updated);
            ASSERT_EQ(2, ::GetMenuItemCount(hPopup));
            EXPECT_EQ(310u, ::GetMenuItemID(hPopup, 0));
            EXPECT_EQ(330u, ::GetMenuItemID(hPopup, 1));
            EXPECT_TRUE(IsGrayed(hPopup, 1));
            ::DestroyMenu(hPopup);
        });
}

TEST(DialogMenuUpdate, SystemMenuAndMissingMenuAreLeftAlone)
{
    RunInDialog(
        [](MenuDialog& d)
        {
            HMENU hSystem = ::GetSystemMenu(d.GetHwnd(), FALSE);
            ::SendMessageW(d.GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hSystem),
                           MAKELPARAM(0, TRUE));
            ::SendMessageW(d.GetHwnd(), WM_INITMENUPOPUP, 0, 0);
            EXPECT_TRUE(d.updated.empty());
        });
}

TEST(DialogMenuUpdate, TrackedPopupIsItsOwnParentMenu)
{
    RunInDialog(
        [](MenuDialog& d)
        {
            HMENU hPopup = ::CreatePopupMenu();
            ::AppendMenuW(hPopup, MF_STRING, 400, L"Item");
            ::SendMessageW(d.GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);
            EXPECT_EQ(nullptr, d.parentSeen) << "an untracked popup outside a menu bar has no parent menu";

            // While tracked through the dialog, the popup is its own parent; the menu is closed at once.
            const UINT_PTR timer =
                ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); });
            d.updated.clear();
            d.TrackPopupMenu(hPopup, TPM_RETURNCMD, 10, 10);
            ::KillTimer(nullptr, timer);
            if (d.updated.empty())
            {
                ::DestroyMenu(hPopup);
                GTEST_SKIP() << "the popup closed before WM_INITMENUPOPUP";
            }
            EXPECT_EQ(hPopup, d.parentSeen);
            ::DestroyMenu(hPopup);
        });
}
} // namespace
