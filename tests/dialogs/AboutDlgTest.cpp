// The About box: version line, link addresses and captions, cursor, visited state per opening.
#include <gtest/gtest.h>

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

                EXPECT_EQ(RGB(0, 0, 238), LinkTextColor(d.GetHwnd(), link)) << id;
                ClickLink(link);
                EXPECT_EQ(RGB(85, 26, 139), LinkTextColor(d.GetHwnd(), link))
                    << "visited after a click, " << id;
            }
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    const std::vector<std::wstring> expected = {std::wstring(L"https://") + TAVRELLO_MAKER_HOST,
                                                std::wstring(L"https://") + TAVRELLO_WEB_HOST};
    EXPECT_EQ(expected, g_opened);

    // A new opening shows both links unvisited again.
    AboutDialog again(nullptr);
    again.steps.push_back(
        [](AboutDialog& d)
        {
            EXPECT_EQ(RGB(0, 0, 238), LinkTextColor(d.GetHwnd(), d.GetDlgItem(IDC_ABOUT_MAKER_LINK)));
            EXPECT_EQ(RGB(0, 0, 238), LinkTextColor(d.GetHwnd(), d.GetDlgItem(IDC_ABOUT_PRODUCT_LINK)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, again.DoModal());
}
} // namespace
