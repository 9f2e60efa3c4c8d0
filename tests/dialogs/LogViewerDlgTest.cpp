// The log viewer: stored lines unstamped, live lines stamped from any thread, nothing after closing, and
// Ctrl+C copies what it shows.
#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "support/MessagePump.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "support/WindowQueries.h"
#include "support/WorkerThread.h"
#include "ui/dialogs/LogViewerDlg.h"

namespace
{
using LogViewerDialog = ScriptedDialog<CQLogViewerDlg>;

// "YYYY.MM.DD hh:mm:ss " followed by `text`.
bool IsStamped(const std::wstring& line, const std::wstring& text)
{
    const std::wstring pattern = L"dddd.dd.dd dd:dd:dd ";
    if (line.size() != pattern.size() + text.size() || line.compare(pattern.size(), text.size(), text) != 0)
        return false;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] == L'd' ? !std::iswdigit(line[i]) : line[i] != pattern[i])
            return false;
    return true;
}

class LogViewerDlgTest : public testing::Test
{
protected:
    CQLog& Log() { return m_app.Context().m_log; }
    ScopedAppContext m_app;
};

TEST_F(LogViewerDlgTest, ShowsStoredLinesUnstampedAndLiveLinesStampedInOrder)
{
    Log().AddLine(L"Volume: \\Device\\HarddiskVolume2  Letter: C:  Instances: 0");
    Log().AddLine(L"100% done, %s %d stays as it is");
    const std::vector<std::wstring> stored = Log().GetLines();

    LogViewerDialog dlg(nullptr);
    HWND box = nullptr;
    dlg.steps.push_back(
        [&](LogViewerDialog& d)
        {
            box = d.GetDlgItem(IDC_LOG_LIST);
            EXPECT_EQ(box, Log().GetViewer());
            EXPECT_EQ(stored, ListBoxLines(box));

            WorkerThread worker([&] { Log().AddLine(L"from a worker 50%"); });
            ASSERT_TRUE(worker.Join());
            Log().AddLine(L"from the interface thread");
            const size_t wanted = stored.size() + 2;
            EXPECT_TRUE(PumpUntil([&] { return ListBoxLines(box).size() >= wanted; }));
            const std::vector<std::wstring> lines = ListBoxLines(box);
            ASSERT_EQ(wanted, lines.size());
            EXPECT_TRUE(IsStamped(lines[stored.size()], L"from a worker 50%"))
                << testing::PrintToString(lines);
            EXPECT_TRUE(IsStamped(lines[stored.size() + 1], L"from the interface thread"))
                << testing::PrintToString(lines);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_EQ(nullptr, Log().GetViewer());
    // The stored lines themselves are never stamped.
    EXPECT_EQ(L"from a worker 50%", Log().GetLines()[stored.size()]);
}

TEST_F(LogViewerDlgTest, AfterClosingLinesTouchNoWindowAndShowUnstampedNextTime)
{
    LogViewerDialog first(nullptr);
    first.steps.push_back([](LogViewerDialog& d) { PostButtonClick(d.GetHwnd(), IDOK); });
    EXPECT_EQ(IDOK, first.DoModal());
    ASSERT_EQ(nullptr, Log().GetViewer());

    WorkerThread worker([&] { Log().AddLine(L"late worker line"); });
    ASSERT_TRUE(worker.Join());
    Log().AddLine(L"late interface line");
    EXPECT_EQ(nullptr, Log().GetViewer());

    const std::vector<std::wstring> stored = Log().GetLines();
    LogViewerDialog second(nullptr);
    std::vector<std::wstring> shown;
    second.steps.push_back([&](LogViewerDialog& d) { shown = ListBoxLines(d.GetDlgItem(IDC_LOG_LIST)); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, second.DoModal());
    EXPECT_EQ(stored, shown);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(L"late interface line", shown.back());
}

TEST_F(LogViewerDlgTest, CtrlCAnywhereInTheDialogCopiesTheLinesAsText)
{
    Log().AddLine(L"System file events: write events of version 1 with 64-bit pointers");
    Log().AddLine(L"");
    Log().AddLine(L"100% of 5 \t tabs");
    LogViewerDialog dlg(nullptr);
    BYTE saved[256] = {};
    std::vector<std::wstring> copied;
    // Ctrl+C as the dialog's loop gets it: the key message posted to a control, with Ctrl down in this
    // thread's key state until the next step.
    auto press = [&](HWND target, bool control)
    {
        BYTE keys[256] = {};
        ::GetKeyboardState(saved);
        memcpy(keys, saved, sizeof(keys));
        keys[VK_CONTROL] = control ? 0x80 : 0;
        ::SetKeyboardState(keys);
        ::PostMessageW(target, WM_KEYDOWN, 'C', 0);
    };
    dlg.steps.push_back(
        [&](LogViewerDialog& d)
        {
            ASSERT_TRUE(EmptyTheClipboard());
            press(d.GetDlgItem(IDC_LOG_LIST), false);
        });
    dlg.steps.push_back(
        [&](LogViewerDialog& d)
        {
            ::SetKeyboardState(saved);
            copied.push_back(ClipboardText());
            press(d.GetDlgItem(IDOK), true);
        });
    dlg.steps.push_back(
        [&](LogViewerDialog&)
        {
            ::SetKeyboardState(saved);
            copied.push_back(ClipboardText());
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"(nothing)", L"System file events: write events of version 1 with 64-bit pointers\r\n"
                                L"\r\n100% of 5 \t tabs\r\n"}),
              copied);
}

TEST_F(LogViewerDlgTest, ListBoxUsesTheControlBackground)
{
    LogViewerDialog dlg(nullptr);
    dlg.steps.push_back(
        [](LogViewerDialog& d)
        {
            HWND box = d.GetDlgItem(IDC_LOG_LIST);
            HDC hdc = ::CreateCompatibleDC(nullptr);
            const HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageW(d.GetHwnd(), WM_CTLCOLORLISTBOX,
                                                                         reinterpret_cast<WPARAM>(hdc),
                                                                         reinterpret_cast<LPARAM>(box)));
            ::DeleteDC(hdc);
            LOGBRUSH info = {};
            ASSERT_NE(nullptr, brush);
            ASSERT_NE(0, ::GetObjectW(brush, sizeof(info), &info));
            EXPECT_EQ(static_cast<UINT>(BS_SOLID), info.lbStyle);
            EXPECT_EQ(RGB(61, 61, 64), info.lbColor);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
} // namespace
