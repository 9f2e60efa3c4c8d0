// CButtonST: owner-draw style, grey icon, drawing, hover, keyboard and double click.
#include <gtest/gtest.h>

#include <vector>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/TestCanvas.h"
#include "ui/controls/ButtonST.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/Dialog.h"

namespace
{
constexpr WORD kButtonId = 1010;

// A solid icon of `size` pixels: 32-bit colour bitmap without alpha, opaque mask.
HICON MakeSolidIcon(int size, COLORREF color)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP hColor = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    DWORD* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < size * size; ++i)
        pixels[i] = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    std::vector<BYTE> maskBits(static_cast<size_t>(((size + 15) / 16) * 2 * size), 0); // all opaque
    HBITMAP hMask = ::CreateBitmap(size, size, 1, 1, maskBits.data());
    ICONINFO icon = {TRUE, static_cast<DWORD>(size / 2), static_cast<DWORD>(size / 2), hMask, hColor};
    HICON hIcon = ::CreateIconIndirect(&icon);
    ::DeleteObject(hColor);
    ::DeleteObject(hMask);
    return hIcon;
}

// The colour of the pixel (x, y) of an icon's colour bitmap.
COLORREF IconPixel(HICON hIcon, int x, int y)
{
    ICONINFO info = {};
    if (!::GetIconInfo(hIcon, &info))
        return CLR_INVALID;
    BITMAP bitmap = {};
    ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(bitmap.bmWidth * bitmap.bmHeight));
    HDC hdc = ::GetDC(nullptr);
    ::GetDIBits(hdc, info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(), &format,
                DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    const DWORD pixel = pixels[static_cast<size_t>(y * bitmap.bmWidth + x)];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

BYTE ExpectedGray(COLORREF color)
{
    return static_cast<BYTE>(
        static_cast<int>(0.587 * GetGValue(color) + 0.299 * GetRValue(color) + 0.114 * GetBValue(color)));
}

class ButtonDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    CButtonST button;
    std::vector<UINT> commands;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = ScriptedDialog::OnInitDialog();
        button.Attach(GetHwnd(), kButtonId);
        return result;
    }
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override
    {
        if (id == kButtonId && code == BN_CLICKED)
        {
            commands.push_back(id);
            return TRUE;
        }
        return ScriptedDialog::OnCommand(id, code, hwndControl);
    }
};

void RunInDialog(const std::function<void(ButtonDialog&)>& check, const wchar_t* caption = L"")
{
    DialogTemplateBuilder tmpl(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 100, L"Button test");
    tmpl.Button(kButtonId, BS_PUSHBUTTON, 10, 10, 60, 30, caption)
        .Button(IDOK, BS_DEFPUSHBUTTON, 140, 80, 50, 14, L"OK");
    ButtonDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ButtonST, GrayCopyFollowsTheLuminanceFormulaAndKeepsTheMask)
{
    const COLORREF colors[] = {RGB(200, 100, 50), RGB(255, 255, 255), RGB(0, 0, 0),
                               RGB(10, 250, 3),   RGB(255, 0, 0),     RGB(0, 0, 255)};
    for (COLORREF color : colors)
    {
        HICON hIcon = MakeSolidIcon(16, color);
        ASSERT_NE(nullptr, hIcon);
        HICON hGray = CButtonST::CreateGrayscaleIcon(hIcon);
        ASSERT_NE(nullptr, hGray);
        const BYTE gray = ExpectedGray(color);
        EXPECT_EQ(RGB(gray, gray, gray), IconPixel(hGray, 0, 0)) << "colour " << std::hex << color;
        EXPECT_EQ(RGB(gray, gray, gray), IconPixel(hGray, 15, 15)) << "colour " << std::hex << color;
        EXPECT_EQ(color, IconPixel(hIcon, 7, 7)) << "the original is untouched";
        ::DestroyIcon(hGray);
        ::DestroyIcon(hIcon);
    }
    EXPECT_EQ(124, ExpectedGray(RGB(200, 100, 50)));
}

TEST(ButtonST, BindingMakesTheButtonOwnerDrawn)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            const LONG style = ::GetWindowLongW(d.GetDlgItem(kButtonId), GWL_STYLE);
            EXPECT_EQ(BS_OWNERDRAW, style & BS_TYPEMASK);
            EXPECT_TRUE(style & WS_VISIBLE);
        });
}

TEST(ButtonST, SetIconNotesTheSizesAndMakesTheGrayCopy)
{
    CButtonST button;
    EXPECT_FALSE(button.SetIcon(static_cast<HICON>(nullptr)));
    EXPECT_EQ(nullptr, button.GetIcon());
    EXPECT_FALSE(button.SetIcon(59999u)) << "no such icon resource";
    ASSERT_TRUE(button.SetIcon(MakeSolidIcon(24, RGB(30, 60, 90))));
    ASSERT_NE(nullptr, button.GetGrayIcon());
    const BYTE gray = ExpectedGray(RGB(30, 60, 90));
    EXPECT_EQ(RGB(gray, gray, gray), IconPixel(button.GetGrayIcon(), 3, 3));
}

struct DrawCase
{
    const char* name;
    UINT state;
    COLORREF background;
    COLORREF icon;
    int offset;
};

TEST(ButtonST, DrawsBackgroundAndIconByState)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            const COLORREF iconColor = RGB(200, 100, 50);
            ASSERT_TRUE(d.button.SetIcon(MakeSolidIcon(16, iconColor)));
            const BYTE gray = ExpectedGray(iconColor);
            const DrawCase cases[] = {
                {"normal", 0, kControlBackgroundColor, iconColor, 0},
                {"pressed", ODS_SELECTED, ::GetSysColor(COLOR_BTNSHADOW), iconColor, 1},
                {"disabled", ODS_DISABLED, kControlBackgroundColor, RGB(gray, gray, gray), 0},
            };
            for (const DrawCase& c : cases)
            {
                TestCanvas canvas(64, 48);
                canvas.Fill(RGB(255, 0, 255));
                // The system clips a button's drawing context to the button.
                ::IntersectClipRect(canvas.Dc(), 0, 0, 60, 40);
                DRAWITEMSTRUCT draw = {};
                draw.CtlType = ODT_BUTTON;
                draw.CtlID = kButtonId;
                draw.itemAction = ODA_DRAWENTIRE;
                draw.itemState = c.state;
                draw.hwndItem = d.GetDlgItem(kButtonId);
                draw.hDC = canvas.Dc();
                draw.rcItem = RECT{0, 0, 60, 40};
                EXPECT_EQ(TRUE, ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kButtonId,
                                               reinterpret_cast<LPARAM>(&draw)))
                    << c.name;

                // The icon's left edge: left + (width - icon bitmap height) / 2, top 6, (1, 1) further when
                // pressed.
                const int x = (60 - 16) / 2 + c.offset;
                const int y = 6 + c.offset;
                EXPECT_EQ(c.background, canvas.Pixel(0, 0)) << c.name;
                EXPECT_EQ(c.background, canvas.Pixel(59, 39)) << c.name;
                EXPECT_EQ(c.background, canvas.Pixel(x - 1, y)) << c.name;
                EXPECT_EQ(c.background, canvas.Pixel(x, y - 1)) << c.name;
                EXPECT_EQ(c.icon, canvas.Pixel(x, y)) << c.name;
                EXPECT_EQ(c.icon, canvas.Pixel(x + 15, y + 15)) << c.name;
                EXPECT_EQ(c.background, canvas.Pixel(x + 16, y + 16)) << c.name;
                EXPECT_EQ(RGB(255, 0, 255), canvas.Pixel(60, 40)) << c.name << ": outside the item";
            }
        });
}

TEST(ButtonST, HoverFollowsTheMouseWhileTheProgramIsActive)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            HWND hButton = d.GetDlgItem(kButtonId);
            ::SetForegroundWindow(d.GetHwnd());
            ::SetActiveWindow(d.GetHwnd());
            if (!::GetActiveWindow())
                GTEST_SKIP() << "no active window on this display";
            ::SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_TRUE(d.button.IsHovering());
            EXPECT_EQ(hButton, ::GetCapture());

            // Off the button (far outside the dialog): the highlight goes and the capture is released.
            ::SendMessageW(hButton, WM_MOUSEMOVE, 0,
                           MAKELPARAM(static_cast<WORD>(-3000), static_cast<WORD>(-3000)));
            EXPECT_FALSE(d.button.IsHovering());
            EXPECT_NE(hButton, ::GetCapture());

            // Entering with the left button held does not highlight.
            ::SendMessageW(hButton, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
            EXPECT_FALSE(d.button.IsHovering());

            // Losing the focus clears the highlight.
            ::SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            ASSERT_TRUE(d.button.IsHovering());
            ::SendMessageW(hButton, WM_KILLFOCUS, 0, 0);
            EXPECT_FALSE(d.button.IsHovering());
            ::ReleaseCapture();
        });
}

TEST(ButtonST, CaptureTakenByAnotherWindowIsNotReleased)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            HWND hButton = d.GetDlgItem(kButtonId);
            ::SetActiveWindow(d.GetHwnd());
            if (!::GetActiveWindow())
                GTEST_SKIP() << "no active window on this display";
            ::SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            ASSERT_EQ(hButton, ::GetCapture());
            HWND hOther = d.GetDlgItem(IDOK);
            ::SetCapture(hOther);
            EXPECT_EQ(hOther, ::GetCapture());
            EXPECT_TRUE(d.button.IsHovering()) << "the hover flag stays as it was";
            ::ReleaseCapture();
        });
}

TEST(ButtonST, KeyboardMessagesArePostedToTheParentAfterReleasingTheCapture)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            HWND hButton = d.GetDlgItem(kButtonId);
            const UINT messages[] = {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, 0x108};
            for (UINT message : messages)
            {
                ::SetCapture(hButton);
                ::SendMessageW(hButton, message, 'A', 0x1E0001);
                EXPECT_NE(hButton, ::GetCapture()) << "message " << message;
                MSG msg = {};
                ASSERT_TRUE(::PeekMessageW(&msg, d.GetHwnd(), message, message, PM_REMOVE))
                    << "message " << message;
                EXPECT_EQ(d.GetHwnd(), msg.hwnd);
                EXPECT_EQ(static_cast<WPARAM>('A'), msg.wParam);
                EXPECT_EQ(0x1E0001, msg.lParam);
            }
        });
}

TEST(ButtonST, DoubleClickCountsAsASecondPress)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            HWND hButton = d.GetDlgItem(kButtonId);
            ::SendMessageW(hButton, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            ::SendMessageW(hButton, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            ::SendMessageW(hButton, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
            ::SendMessageW(hButton, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(2u, d.commands.size());
            ::ReleaseCapture();
        });
}

TEST(ButtonST, BackgroundIsNeverErasedSeparately)
{
    RunInDialog(
        [](ButtonDialog& d)
        {
            TestCanvas canvas(8, 8);
            EXPECT_EQ(0, ::SendMessageW(d.GetDlgItem(kButtonId), WM_ERASEBKGND,
                                        reinterpret_cast<WPARAM>(canvas.Dc()), 0));
        });
}
} // namespace
