// CHyperLink: fitting to the text, colours and font, cursor, and opening the link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/TestCanvas.h"
#include "support/WindowQueries.h"
#include "ui/controls/Dialog.h"
#include "ui/controls/HyperLink.h"

namespace
{
constexpr WORD kLeftId = 1043;
constexpr WORD kCenterId = 1044;
constexpr WORD kRightId = 1045;
constexpr WORD kCenterImageId = 1046;

struct ShellCall
{
    std::wstring verb;
    std::wstring file;
    int show;
};
std::vector<ShellCall> g_shellCalls;
INT_PTR g_shellResult = 42;
int g_beeps = 0;
UINT g_beepType = 0;

HINSTANCE WINAPI FakeShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT show)
{
    g_shellCalls.push_back({verb ? verb : L"", file ? file : L"", show});
    return reinterpret_cast<HINSTANCE>(g_shellResult);
}

BOOL WINAPI FakeMessageBeep(UINT type)
{
    ++g_beeps;
    g_beepType = type;
    return TRUE;
}

class LinkDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    CHyperLink left, center, right, centerImage;
    RECT templateRects[4] = {};
    int commands = 0;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = ScriptedDialog::OnInitDialog();
        const WORD ids[] = {kLeftId, kCenterId, kRightId, kCenterImageId};
        for (int i = 0; i < 4; ++i)
        {
            ::GetWindowRect(GetDlgItem(ids[i]), &templateRects[i]);
            ::MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&templateRects[i]), 2);
        }
        left.Attach(GetHwnd(), kLeftId);
        center.Attach(GetHwnd(), kCenterId);
        right.Attach(GetHwnd(), kRightId);
        centerImage.Attach(GetHwnd(), kCenterImageId);
        return result;
    }
    BOOL OnCommand(UINT id, UINT code, HWND hwndControl) override
    {
        ++commands;
        return ScriptedDialog::OnCommand(id, code, hwndControl);
    }
};

class HyperLink : public testing::Test
{
protected:
    void SetUp() override
    {
        g_shellCalls.clear();
        g_shellResult = 42;
        g_beeps = 0;
        g_beepType = 0;
        m_shell = CHyperLink::s_pfnShellExecute;
        m_beep = CHyperLink::s_pfnMessageBeep;
        CHyperLink::s_pfnShellExecute = FakeShellExecute;
        CHyperLink::s_pfnMessageBeep = FakeMessageBeep;
    }
    void TearDown() override
    {
        CHyperLink::s_pfnShellExecute = m_shell;
        CHyperLink::s_pfnMessageBeep = m_beep;
    }

    static void RunInDialog(const std::function<void(LinkDialog&)>& check)
    {
        DialogTemplateBuilder tmpl(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 240, 140, L"Link test",
                                   L"Tahoma", 8);
        tmpl.Static(kLeftId, SS_LEFT, 10, 10, 200, 20, L"left link")
            .Static(kCenterId, SS_CENTER, 10, 35, 200, 20, L"centred link")
            .Static(kRightId, SS_RIGHT, 10, 60, 200, 20, L"right link")
            .Static(kCenterImageId, SS_LEFT | SS_CENTERIMAGE, 10, 85, 200, 30, L"middle link")
            .Button(IDOK, BS_DEFPUSHBUTTON, 180, 120, 50, 14, L"OK");
        LinkDialog dlg(tmpl.Get(), nullptr);
        dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
        EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    }

private:
    HINSTANCE(WINAPI* m_shell)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = nullptr;
    BOOL(WINAPI* m_beep)(UINT) = nullptr;
};

SIZE TextExtent(HWND hwnd)
{
    wchar_t text[128] = {};
    const int length = ::GetWindowTextW(hwnd, text, 128);
    HDC hdc = ::GetDC(hwnd);
    HGDIOBJ old = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    ::GetTextExtentPoint32W(hdc, text, length, &extent);
    ::SelectObject(hdc, old);
    ::ReleaseDC(hwnd, hdc);
    return extent;
}

TEST_F(HyperLink, BindingFitsTheWindowToItsText)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            const WORD ids[] = {kLeftId, kCenterId, kRightId, kCenterImageId};
            for (int i = 0; i < 4; ++i)
            {
                const RECT before = d.templateRects[i];
                const RECT after = ClientRectOf(d.GetHwnd(), ids[i]);
                const SIZE text = TextExtent(d.GetDlgItem(ids[i]));
                ASSERT_GT(text.cx, 0);
                ASSERT_LT(text.cx, before.right - before.left) << "the template leaves room to shrink";
                EXPECT_EQ(text.cx, after.right - after.left) << "control " << ids[i];
                EXPECT_EQ(text.cy, after.bottom - after.top) << "control " << ids[i];
                switch (ids[i])
                {
                case kLeftId:
                    EXPECT_EQ(before.left, after.left);
                    EXPECT_EQ(before.top, after.top);
                    break;
                case kCenterId:
                    EXPECT_EQ(before.left + (before.right - before.left - text.cx) / 2, after.left);
                    EXPECT_EQ(before.top, after.top);
                    break;
                case kRightId:
                    EXPECT_EQ(before.right, after.right);
                    break;
                case kCenterImageId:
                    EXPECT_EQ(before.left, after.left);
                    EXPECT_EQ(before.top + (before.bottom - before.top - text.cy) / 2, after.top);
                    break;
                }
            }
        });
}

TEST_F(HyperLink, BindingAddsNotifyAndTakesTheTextAsUrl)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            EXPECT_TRUE(::GetWindowLongW(d.GetDlgItem(kLeftId), GWL_STYLE) & SS_NOTIFY);
            EXPECT_EQ(std::wstring(L"left link"), d.left.GetURL());
            EXPECT_EQ(::LoadCursorW(nullptr, IDC_ARROW), d.left.GetLinkCursor());
            d.left.SetURL(L"https://example.org/page");
            EXPECT_EQ(std::wstring(L"https://example.org/page"), d.left.GetURL());
            wchar_t caption[64] = {};
            ::GetWindowTextW(d.GetDlgItem(kLeftId), caption, 64);
            EXPECT_EQ(std::wstring(L"left link"), caption) << "the caption stays";
        });
}

TEST_F(HyperLink, ClickOpensTheUrlAndMarksItVisited)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            d.left.SetURL(L"https://example.org/a");
            HWND hLink = d.GetDlgItem(kLeftId);
            ::SendMessageW(hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            ::SendMessageW(hLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            ASSERT_EQ(1u, g_shellCalls.size());
            EXPECT_EQ(std::wstring(L"open"), g_shellCalls[0].verb);
            EXPECT_EQ(std::wstring(L"https://example.org/a"), g_shellCalls[0].file);
            EXPECT_EQ(SW_SHOW, g_shellCalls[0].show);
            EXPECT_TRUE(d.left.IsVisited());
            EXPECT_EQ(0, g_beeps);
            EXPECT_EQ(0, d.commands) << "the click is the link's own, the dialog does not see it";
        });
}

TEST_F(HyperLink, FailedOpenBeepsAndKeepsTheLinkColour)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            const INT_PTR results[] = {2, 32};
            for (INT_PTR shellResult : results)
            {
                g_shellResult = shellResult;
                d.right.SetVisited(TRUE);
                ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(kRightId, STN_CLICKED),
                               reinterpret_cast<LPARAM>(d.GetDlgItem(kRightId)));
                EXPECT_FALSE(d.right.IsVisited()) << "shell result " << shellResult;
            }
            EXPECT_EQ(2, g_beeps);
            EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), g_beepType);

            g_shellResult = 33;
            d.right.FollowLink();
            EXPECT_TRUE(d.right.IsVisited());
            EXPECT_EQ(2, g_beeps);
        });
}

TEST_F(HyperLink, ColourRequestSetsLinkColourUnderlineAndNullBrush)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            HWND hLink = d.GetDlgItem(kCenterId);
            for (BOOL visited : {FALSE, TRUE})
            {
                d.center.SetVisited(visited);
                TestCanvas canvas(8, 8);
                ::SetBkMode(canvas.Dc(), OPAQUE);
                const LRESULT brush =
                    ::SendMessageW(d.GetHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()),
                                   reinterpret_cast<LPARAM>(hLink));
                EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
                EXPECT_EQ(visited ? RGB(200, 150, 255) : RGB(110, 180, 255), ::GetTextColor(canvas.Dc()));
                EXPECT_EQ(TRANSPARENT, ::GetBkMode(canvas.Dc()));

                HFONT hFont = static_cast<HFONT>(::GetCurrentObject(canvas.Dc(), OBJ_FONT));
                EXPECT_EQ(d.center.GetUnderlineFont(), hFont) << "the one underline font is selected";
                LOGFONTW font = {};
                ASSERT_TRUE(::GetObjectW(hFont, sizeof(font), &font));
                EXPECT_TRUE(font.lfUnderline);
                LOGFONTW control = {};
                ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hLink, WM_GETFONT, 0, 0)),
                             sizeof(control), &control);
                EXPECT_EQ(std::wstring(control.lfFaceName), std::wstring(font.lfFaceName));
                EXPECT_EQ(control.lfHeight, font.lfHeight);
            }
        });
}

TEST_F(HyperLink, CursorRequestShowsTheOwnersCursor)
{
    RunInDialog(
        [](LinkDialog& d)
        {
            HCURSOR hCursor = ::LoadCursorW(nullptr, IDC_HAND);
            d.left.SetLinkCursor(hCursor);
            HWND hLink = d.GetDlgItem(kLeftId);
            EXPECT_EQ(TRUE, ::SendMessageW(hLink, WM_SETCURSOR, reinterpret_cast<WPARAM>(hLink),
                                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
            EXPECT_EQ(hCursor, ::GetCursor());
        });
}
} // namespace
