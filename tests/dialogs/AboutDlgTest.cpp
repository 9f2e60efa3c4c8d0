// The About box: version line, link addresses and captions, cursor, visited state per opening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "ui/controls/HyperLink.h"
#include "ui/dialogs/AboutDlg.h"

namespace
{
using AboutDialog = ScriptedDialog<CTavrelloAboutDlg>;

std::vector<std::wstring> g_opened;

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    g_opened.push_back(file ? file : L"");
    return reinterpret_cast<HINSTANCE>(42);
}

// The text colour a control-colour request gives the link.
COLORREF LinkTextColor(HWND dialog, HWND link)
{
    HDC hdc = ::CreateCompatibleDC(nullptr);
    ::SetTextColor(hdc, RGB(1, 2, 3));
    ::SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(link));
    const COLORREF color = ::GetTextColor(hdc);
    ::DeleteDC(hdc);
    return color;
}

// WCAG 2's contrast ratio of two sRGB colours: (L1 + 0.05) / (L2 + 0.05) of their relative luminances,
// the lighter one's above.
double ContrastRatio(COLORREF a, COLORREF b)
{
    auto channel = [](BYTE value)
    {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    auto luminance = [&](COLORREF color)
    {
        return 0.2126 * channel(GetRValue(color)) + 0.7152 * channel(GetGValue(color)) +
               0.0722 * channel(GetBValue(color));
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Readable text on the dialog background RGB(45, 45, 48): at least 4.5 to 1.
::testing::AssertionResult ReadableOnTheBackground(COLORREF color)
{
    const double ratio = ContrastRatio(color, RGB(45, 45, 48));
    if (ratio >= 4.5)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "RGB(" << int(GetRValue(color)) << ", " << int(GetGValue(color)) << ", "
           << int(GetBValue(color)) << ") has a contrast of " << ratio << " to 1";
}

void ClickLink(HWND link)
{
    RECT rect = {};
    ::GetClientRect(link, &rect);
    ClickAt(link, CenterOf(rect));
}

class AboutDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_opened.clear();
        m_previous = CHyperLink::s_pfnShellExecute;
        CHyperLink::s_pfnShellExecute = RecordShellExecute;
    }
    void TearDown() override { CHyperLink::s_pfnShellExecute = m_previous; }

    ScopedAppContext m_app;
    HINSTANCE(WINAPI* m_previous)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = nullptr;
};

TEST_F(AboutDlgTest, VersionLineReadsExactly)
{
    AboutDialog dlg(nullptr);
    std::wstring version;
    dlg.steps.push_back([&](AboutDialog& d) { version = WindowText(d.GetDlgItem(IDC_ABOUT_VERSION)); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_EQ(L"Tavrello Version 1.40 build 320", version);
}

TEST_F(AboutDlgTest, LinksOpenTheirSitesKeepTheirCaptionsAndShowTheLinkCursor)
{
    const HCURSOR linkCursor = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_CURSOR));
    ASSERT_NE(nullptr, linkCursor);
    AboutDialog dlg(nullptr);
    COLORREF unvisitedColor = CLR_INVALID;
    dlg.steps.push_back(
        [&](AboutDialog& d)
        {
            const int ids[] = {IDC_ABOUT_MAKER_LINK, IDC_ABOUT_PRODUCT_LINK};
            for (int id : ids)
            {
                HWND link = d.GetDlgItem(id);
                const std::wstring caption = WindowText(link);
                EXPECT_FALSE(caption.empty()) << id;
                EXPECT_NE(std::wstring::npos, caption.find(L'.'))
                    << "a site address as the caption: " << testing::PrintToString(caption);
                EXPECT_EQ(std::wstring::npos, caption.find(L"https://")) << "the template caption stays";

                ::SetCursor(nullptr);
                ::SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                EXPECT_EQ(linkCursor, ::GetCursor()) << id;

                const COLORREF unvisited = LinkTextColor(d.GetHwnd(), link);
                EXPECT_TRUE(ReadableOnTheBackground(unvisited)) << id;
                ClickLink(link);
                const COLORREF visited = LinkTextColor(d.GetHwnd(), link);
                EXPECT_TRUE(ReadableOnTheBackground(visited)) << id;
                EXPECT_NE(unvisited, visited) << "visited after a click, " << id;
                unvisitedColor = unvisited;
            }
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    const std::vector<std::wstring> expected = {std::wstring(L"https://") + TAVRELLO_MAKER_HOST,
                                                std::wstring(L"https://") + TAVRELLO_WEB_HOST};
    EXPECT_EQ(expected, g_opened);

    // A new opening shows both links unvisited again.
    AboutDialog again(nullptr);
    again.steps.push_back(
        [&](AboutDialog& d)
        {
            EXPECT_EQ(unvisitedColor, LinkTextColor(d.GetHwnd(), d.GetDlgItem(IDC_ABOUT_MAKER_LINK)));
            EXPECT_EQ(unvisitedColor, LinkTextColor(d.GetHwnd(), d.GetDlgItem(IDC_ABOUT_PRODUCT_LINK)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, again.DoModal());
}
} // namespace
