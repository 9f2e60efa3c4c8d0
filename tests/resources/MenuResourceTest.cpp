// The tray menu and the main menu: one popup each, with the commands and separators in order.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <vector>

#include "DialogHost.h"
#include "resources/resource.h"

using tavtest::Narrow;

namespace
{

struct MenuEntry
{
    UINT id; // 0 for a separator
    const wchar_t* text;
};

struct MenuSpec
{
    const char* name;
    int resource;
    std::vector<MenuEntry> entries;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const MenuSpec& spec, std::ostream* os)
{
    *os << spec.name;
}

std::vector<MenuSpec> AllMenus()
{
    return {
        {"Tray",
         IDR_TRAY_MENU,
         {{ID_TRAY_SHOW_WINDOW, L"Show Tavrello Window"},
          {ID_TRAY_ABOUT, L"About Tavrello"},
          {0, nullptr},
          {ID_TRAY_CLOSE, L"Close"}}},
        {"Main",
         IDR_MAIN_MENU,
         {{ID_MENU_SELECT_DRIVES, L"Select Drives To Monitor"},
          {ID_MENU_SHOW_LOG, L"Show App Log"},
          {ID_MENU_WRITE_HISTORY, L"Write History"},
          {ID_MENU_DRIVE_HEALTH, L"Drive Health"},
          {ID_MENU_CLEAR_DATA, L"Clear Collected Data"},
          {ID_MENU_EXPORT_DATA, L"Export Collected Data..."},
          {0, nullptr},
          {ID_MENU_HELP, L"Help"}}},
    };
}

class MenuResourceTest : public ::testing::TestWithParam<MenuSpec>
{
};

TEST_P(MenuResourceTest, HasOnePopupWithItsCommandsInOrder)
{
    const MenuSpec& spec = GetParam();
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(spec.resource));
    ASSERT_NE(menu, nullptr) << "error " << GetLastError();
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    wchar_t caption[64] = L"(untouched)";
    GetMenuStringW(menu, 0, caption, 64, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"Context Menu");

    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(spec.entries.size()));
    for (size_t i = 0; i < spec.entries.size(); ++i)
    {
        SCOPED_TRACE("item " + std::to_string(i));
        wchar_t text[128] = L"(untouched)";
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 128;
        ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info)) << GetLastError();
        EXPECT_EQ(info.hSubMenu, nullptr);
        if (spec.entries[i].id == 0)
        {
            EXPECT_NE(info.fType & MFT_SEPARATOR, 0u) << "type 0x" << std::hex << info.fType;
            continue;
        }
        EXPECT_EQ(info.fType & MFT_SEPARATOR, 0u) << "type 0x" << std::hex << info.fType;
        EXPECT_EQ(info.wID, spec.entries[i].id);
        EXPECT_STREQ(text, spec.entries[i].text) << Narrow(text);
    }
    DestroyMenu(menu);
}

INSTANTIATE_TEST_SUITE_P(AllMenus, MenuResourceTest, ::testing::ValuesIn(AllMenus()),
                         [](const ::testing::TestParamInfo<MenuSpec>& info) { return info.param.name; });

} // namespace
