// Every dialog template creates, with each control at its id, class, style, text and place.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <ostream>
#include <vector>

#include "DialogHost.h"
#include "resources/resource.h"

using tavtest::ClassName;
using tavtest::DialogHost;
using tavtest::DisplayedText;
using tavtest::Narrow;
using tavtest::WindowText;

namespace
{

const wchar_t* const kAnyText = nullptr;

struct ControlSpec
{
    int id;
    const wchar_t* className;
    DWORD typeMask;  // bits of the style that hold the control's kind
    DWORD type;      // expected value of those bits
    DWORD required;  // further style bits that must be set
    DWORD forbidden; // style bits that must be clear
    const wchar_t* text;
    int x, y, cx, cy; // template rectangle in dialog units; cy < 0: height not compared (combo box)
};

struct DialogSpec
{
    const char* name;
    LPCWSTR templateName;
    const wchar_t* caption;
    const wchar_t* fontFace;
    int width, height; // client size in dialog units; height 0 when not fixed here
    bool visible;
    bool resizable;
    int defaultButton; // 0: none
    std::vector<ControlSpec> controls;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const DialogSpec& spec, std::ostream* os)
{
    *os << spec.name;
}

ControlSpec Label(int id, const wchar_t* text, int x, int y, int cx = 51, int cy = 12)
{
    return {id, L"Static", SS_TYPEMASK, SS_LEFT, SS_CENTERIMAGE | SS_NOTIFY, 0, text, x, y, cx, cy};
}

ControlSpec Button(int id, const wchar_t* text, int x, int y, int cx, int cy)
{
    return {id, L"Button", BS_TYPEMASK & ~BS_DEFPUSHBUTTON, BS_PUSHBUTTON, WS_TABSTOP, 0, text, x, y, cx, cy};
}

ControlSpec CheckBox(int id, const wchar_t* text, int x, int y, int cx = 205)
{
    return {id, L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX, WS_TABSTOP, 0, text, x, y, cx, 14};
}

const DWORD kTreeStyles = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                          TVS_NOTOOLTIPS | TVS_FULLROWSELECT | TVS_NONEVENHEIGHT | WS_HSCROLL | WS_TABSTOP;
const DWORD kLogListStyles = LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOSEL | LBS_NOINTEGRALHEIGHT |
                             LBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP;

std::vector<DialogSpec> AllDialogs()
{
    return {
        {"Main",
         MAKEINTRESOURCEW(IDD_MAIN),
         L"Tavrello",
         L"Tahoma",
         337,
         276,
         false,
         true,
         0,
         {
             Button(IDC_START, L" Start", 4, 4, 50, 30),
             Button(IDC_CALCULATE, L"Calculate", 60, 4, 50, 30),
             Button(IDC_PROCESSES, L"Processes", 115, 4, 50, 30),
             Button(IDC_OPTIONS, L"Options", 171, 4, 50, 30),
             Button(IDC_MENU, L"Menu", 283, 4, 50, 30),
             Label(IDC_TOTAL_WRITES_LABEL, L"Total writes:", 4, 38),
             Label(IDC_TOTAL_WRITES, L"", 59, 38),
             Label(IDC_WRITES_PER_DAY_LABEL, L"Writes/day:", 114, 38),
             Label(IDC_WRITES_PER_DAY, L"", 169, 38),
             Label(IDC_TOTAL_OPERATIONS_LABEL, L"Total operations:", 224, 38),
             Label(IDC_TOTAL_OPERATIONS, L"", 279, 38),
             Label(IDC_ALIGNED_WRITES_LABEL, L"Aligned to (4k):", 4, 56),
             Label(IDC_ALIGNED_WRITES, L"", 59, 56),
             Label(IDC_ALIGNED_WRITES_PER_DAY_LABEL, L"Writes/day (4k):", 114, 56),
             Label(IDC_ALIGNED_WRITES_PER_DAY, L"", 169, 56),
             Label(IDC_TOTAL_FILES_LABEL, L"Total files:", 224, 56),
             Label(IDC_TOTAL_FILES, L"", 279, 56),
             Label(IDC_TOTAL_READ_LABEL, L"Total read:", 4, 74),
             Label(IDC_TOTAL_READ, L"", 59, 74),
             Label(IDC_WRITE_READ_RATIO_LABEL, L"Write/read raito:", 114, 74),
             Label(IDC_WRITE_READ_RATIO, L"", 169, 74),
             Label(IDC_MONITORING_TIME_LABEL, L"Monitoring time:", 224, 74),
             Label(IDC_MONITORING_TIME, L"", 279, 74),
             Label(IDC_CAPACITY_LABEL, L"SSD capacity:", 4, 92),
             {IDC_CAPACITY, L"ComboBox", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE,
              CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, WS_TABSTOP | WS_VSCROLL, CBS_SORT, kAnyText, 59, 92, 51,
              -1},
             Label(IDC_SSD_LIFE_LABEL, L"Approx ssd life:", 224, 92),
             Label(IDC_SSD_LIFE, L"", 279, 92),
             {IDC_SEPARATOR, L"Static", SS_TYPEMASK, SS_GRAYFRAME, 0, 0, kAnyText, 4, 113, 328, 1},
             Label(IDC_FILES_LIST_LABEL, L"Files list:", 4, 122, 106, 12),
             {IDC_FILES_TREE, L"SysTreeView32", 0, 0, kTreeStyles, 0, kAnyText, 4, 138, 328, 120},
             Label(IDC_STATUS, kAnyText, 4, 260, 156, 12),
             {IDC_QUEUE_STATUS, L"Static", SS_TYPEMASK, SS_RIGHT, SS_CENTERIMAGE | SS_NOTIFY, 0, kAnyText,
              164, 260, 168, 12},
         }},
        {"Options",
         MAKEINTRESOURCEW(IDD_OPTIONS),
         L"Application Options",
         L"Tahoma",
         233,
         220,
         true,
         false,
         IDOK,
         {
             CheckBox(IDC_COLLECT_PROCESSES, L"Collect names of writing processes", 14, 14),
             CheckBox(IDC_DO_NOT_LOG_FILES, L"Do not log file information", 14, 34),
             CheckBox(IDC_AUTOSTART_SESSION, L"Auto start Tavrello", 14, 54),
             CheckBox(IDC_TRAY_ICON, L"Show only tray icon", 14, 74),
             CheckBox(IDC_START_MINIMIZED, L"Start in minimized window", 14, 94),
             CheckBox(IDC_AUTO_EXPAND_FOLDERS, L"Auto expand folders in files tree", 14, 114),
             CheckBox(IDC_SORT_TREE_BY_WRITE_SIZE, L"Sort items in tree by size written ", 14, 134),
             // The threshold box and its unit beside the check box.
             CheckBox(IDC_HEAVY_WRITE_ALERTS, L"Warn about heavy writing", 14, 154, 112),
             {IDC_ALERT_MEGABYTES, L"Edit", ES_NUMBER, ES_NUMBER, WS_TABSTOP | WS_BORDER, ES_MULTILINE,
              kAnyText, 130, 154, 40, 14},
             {IDC_ALERT_MEGABYTES_LABEL, L"Static", SS_TYPEMASK, SS_LEFT, SS_CENTERIMAGE, 0, L"MB per minute",
              174, 154, 52, 14},
             Button(IDC_OPTIONS_HELP, L"Help", 14, 190, 62, 20),
             Button(IDOK, L"OK", 89, 190, 62, 20),
             Button(IDCANCEL, L"Cancel", 157, 190, 62, 20),
         }},
        {"Processes",
         MAKEINTRESOURCEW(IDD_PROCESSES),
         L"Processes List",
         L"Tahoma",
         221,
         248,
         true,
         false,
         IDOK,
         {
             {IDC_PROCESSES_HEADLINE, L"Static", SS_TYPEMASK, SS_LEFT, SS_CENTERIMAGE | SS_ENDELLIPSIS, 0,
              kAnyText, 8, 8, 204, 14},
             {IDC_PROCESSES_LIST, L"SysListView32", LVS_TYPEMASK, LVS_REPORT, 0, 0, kAnyText, 8, 28, 204,
              180},
             Button(IDOK, L"OK", 72, 220, 80, 20),
         }},
        {"Drives",
         MAKEINTRESOURCEW(IDD_DRIVES),
         L"Monitored Drives",
         L"MS Shell Dlg",
         217,
         216,
         true,
         false,
         IDOK,
         {
             {IDC_DRIVES_LABEL, L"Static", SS_TYPEMASK, SS_LEFT, 0, 0, L"Drives to monitor:", 12, 10, 193,
              14},
             {IDC_DRIVES_LIST, L"SysListView32", LVS_TYPEMASK, LVS_REPORT,
              LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | WS_TABSTOP, LVS_SINGLESEL, kAnyText, 10, 27, 196, 145},
             Button(IDOK, L"OK", 74, 186, 70, 20),
         }},
        {"About",
         IDD_ABOUT,
         L"About Tavrello",
         L"Tahoma",
         241,
         0,
         true,
         false,
         IDOK,
         {
             Button(IDOK, L"OK", 49, 67, 136, 20),
             {IDC_ABOUT_VERSION, L"Static", SS_TYPEMASK, SS_CENTER, SS_CENTERIMAGE | SS_NOPREFIX, 0, kAnyText,
              49, 93, 134, 12},
             {IDC_ABOUT_MAKER_LINK, L"Static", SS_TYPEMASK, SS_CENTER, 0, 0, L"orvek.example.org", 48, 128,
              134, 12},
             {IDC_ABOUT_PRODUCT_LINK, L"Static", SS_TYPEMASK, SS_CENTER, 0, 0, L"tavrello.example.org", 49,
              145, 134, 12},
         }},
        {"LogViewer",
         IDD_LOG_VIEWER,
         L"Log Viewer",
         L"MS Shell Dlg",
         309,
         244,
         true,
         false,
         IDOK,
         {
             {IDC_LOG_LABEL, L"Static", SS_TYPEMASK, SS_LEFT, 0, 0, L"Program log:", 8, 8, 135, 14},
             {IDC_LOG_LIST, L"ListBox", 0, 0, kLogListStyles,
              LBS_SORT | LBS_OWNERDRAWFIXED | LBS_MULTIPLESEL | LBS_EXTENDEDSEL, kAnyText, 8, 28, 292, 172},
             Button(IDOK, L"OK", 119, 216, 70, 20),
         }},
    };
}

class DialogTemplateTest : public ::testing::TestWithParam<DialogSpec>
{
};

std::string RectText(const RECT& rc)
{
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + ")-(" + std::to_string(rc.right) +
           "," + std::to_string(rc.bottom) + ")";
}

TEST_P(DialogTemplateTest, CreatesWithItsFrame)
{
    const DialogSpec& spec = GetParam();
    DialogHost host(spec.templateName);
    ASSERT_NE(host.Dialog(), nullptr) << spec.name << " failed to create, error " << host.LastError();

    EXPECT_EQ(WindowText(host.Dialog()), spec.caption);
    EXPECT_EQ((host.TemplateStyle() & WS_VISIBLE) != 0, spec.visible)
        << std::hex << "template style 0x" << host.TemplateStyle();
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(host.Dialog(), GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU))
        << std::hex << "style 0x" << style;
    if (spec.resizable)
    {
        EXPECT_NE(style & WS_THICKFRAME, 0u) << std::hex << "style 0x" << style;
        EXPECT_NE(style & WS_MINIMIZEBOX, 0u) << std::hex << "style 0x" << style;
    }
    else
    {
        EXPECT_EQ(style & WS_THICKFRAME, 0u) << std::hex << "style 0x" << style;
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(host.Dialog(), GWL_EXSTYLE));
        EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0u) << std::hex << "ex style 0x" << exStyle;
    }

    RECT client = {};
    GetClientRect(host.Dialog(), &client);
    const RECT expected = host.MapRect(0, 0, spec.width, spec.height);
    EXPECT_EQ(client.right, expected.right) << "client " << RectText(client) << " vs " << RectText(expected);
    if (spec.height > 0)
    {
        EXPECT_EQ(client.bottom, expected.bottom)
            << "client " << RectText(client) << " vs " << RectText(expected);
    }

    LOGFONTW font = {};
    const HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(host.Dialog(), WM_GETFONT, 0, 0));
    ASSERT_NE(hFont, nullptr);
    ASSERT_NE(GetObjectW(hFont, sizeof(font), &font), 0);
    EXPECT_STREQ(font.lfFaceName, spec.fontFace);
    HDC screen = GetDC(nullptr);
    const LONG height8pt = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(font.lfHeight, height8pt);

    const LRESULT defId = SendMessageW(host.Dialog(), DM_GETDEFID, 0, 0);
    if (spec.defaultButton)
    {
        EXPECT_EQ(HIWORD(defId), DC_HASDEFID) << std::hex << "DM_GETDEFID 0x" << defId;
        EXPECT_EQ(LOWORD(defId), spec.defaultButton) << std::hex << "DM_GETDEFID 0x" << defId;
    }
}

TEST_P(DialogTemplateTest, HasEveryControl)
{
    const DialogSpec& spec = GetParam();
    DialogHost host(spec.templateName);
    ASSERT_NE(host.Dialog(), nullptr) << spec.name << " failed to create, error " << host.LastError();

    for (const ControlSpec& c : spec.controls)
    {
        SCOPED_TRACE(std::string(spec.name) + " control " + std::to_string(c.id));
        HWND control = GetDlgItem(host.Dialog(), c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), c.className), 0)
            << Narrow(ClassName(control)) << " instead of " << Narrow(c.className);
        // The template's styles: tree views and combo boxes drop their scroll bar bits once created.
        const DWORD style = host.TemplateControlStyle(c.id);
        EXPECT_EQ(style & c.typeMask, c.type) << std::hex << "style 0x" << style;
        EXPECT_EQ(style & c.required, c.required) << std::hex << "style 0x" << style;
        EXPECT_EQ(style & c.forbidden, 0u) << std::hex << "style 0x" << style;
        EXPECT_NE(style & WS_VISIBLE, 0u) << std::hex << "style 0x" << style;
        if (c.text)
        {
            const bool noPrefix = c.className == std::wstring(L"Static") && (style & SS_NOPREFIX);
            const std::wstring shown = noPrefix ? WindowText(control) : DisplayedText(WindowText(control));
            EXPECT_EQ(shown, c.text) << '"' << Narrow(WindowText(control)) << '"';
        }

        const RECT actual = host.ControlRect(control);
        const RECT expected = host.MapRect(c.x, c.y, c.cx, c.cy < 0 ? 0 : c.cy);
        EXPECT_EQ(actual.left, expected.left) << RectText(actual) << " vs " << RectText(expected);
        EXPECT_EQ(actual.top, expected.top) << RectText(actual) << " vs " << RectText(expected);
        EXPECT_EQ(actual.right, expected.right) << RectText(actual) << " vs " << RectText(expected);
        if (c.cy >= 0)
        {
            EXPECT_EQ(actual.bottom, expected.bottom) << RectText(actual) << " vs " << RectText(expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, DialogTemplateTest, ::testing::ValuesIn(AllDialogs()),
                         [](const ::testing::TestParamInfo<DialogSpec>& info) { return info.param.name; });

// The controls of the main window that the layout code moves must not overlap their neighbours and must
// stay inside the client area, so that resizing never hides a figure.
TEST(MainDialogTemplate, ControlsStayInsideTheClientArea)
{
    DialogHost host(MAKEINTRESOURCEW(IDD_MAIN));
    ASSERT_NE(host.Dialog(), nullptr) << host.LastError();
    RECT client = {};
    GetClientRect(host.Dialog(), &client);
    for (HWND child = GetWindow(host.Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        const int id = GetDlgCtrlID(child);
        if (id == IDC_CAPACITY)
            continue; // its template height includes the drop-down list
        const RECT rc = host.ControlRect(child);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= client.right && rc.bottom <= client.bottom)
            << "control " << id << " at " << RectText(rc) << " outside " << RectText(client);
    }
}

TEST(MainDialogTemplate, CapacityBoxDropsDownSeveralRows)
{
    DialogHost host(MAKEINTRESOURCEW(IDD_MAIN));
    ASSERT_NE(host.Dialog(), nullptr) << host.LastError();
    HWND combo = GetDlgItem(host.Dialog(), IDC_CAPACITY);
    ASSERT_NE(combo, nullptr);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    RECT dropped = {};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const RECT row = host.MapRect(0, 0, 0, 12);
    EXPECT_GE(dropped.bottom - dropped.top, 8 * (row.bottom - row.top)) << RectText(dropped);
}

TEST(AboutDialogTemplate, ShowsTheLogoBitmapAtItsOwnSize)
{
    DialogHost host(IDD_ABOUT);
    ASSERT_NE(host.Dialog(), nullptr) << host.LastError();
    HWND logo = nullptr;
    for (HWND child = GetWindow(host.Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        if (_wcsicmp(ClassName(child).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP)
            logo = child;
    }
    ASSERT_NE(logo, nullptr) << "no bitmap static";
    EXPECT_NE(GetWindowLongPtrW(logo, GWL_STYLE) & SS_REALSIZEIMAGE, 0);
    const HBITMAP image = reinterpret_cast<HBITMAP>(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(image, nullptr) << "the static did not load bitmap " << IDB_LOGO;
    BITMAP bm = {};
    ASSERT_NE(GetObjectW(image, sizeof(bm), &bm), 0);
    EXPECT_EQ(bm.bmWidth, 280);
    EXPECT_EQ(bm.bmHeight, 70);
    const RECT rc = host.ControlRect(logo);
    const RECT expected = host.MapRect(25, 12, 187, 43);
    EXPECT_EQ(rc.left, expected.left) << RectText(rc);
    EXPECT_EQ(rc.top, expected.top) << RectText(rc);
    // The logo lies above the OK button, whatever the font makes of the dialog units.
    const RECT ok = host.ControlRect(GetDlgItem(host.Dialog(), IDOK));
    EXPECT_LE(rc.bottom, ok.top) << RectText(rc) << " over OK " << RectText(ok);
}

TEST(AboutDialogTemplate, HoldsAllItsControls)
{
    DialogHost host(IDD_ABOUT);
    ASSERT_NE(host.Dialog(), nullptr) << host.LastError();
    RECT client = {};
    GetClientRect(host.Dialog(), &client);
    const RECT link = host.ControlRect(GetDlgItem(host.Dialog(), IDC_ABOUT_PRODUCT_LINK));
    EXPECT_LT(link.bottom, client.bottom) << RectText(link) << " in " << RectText(client);
}

} // namespace
