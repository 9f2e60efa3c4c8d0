// The monitored-drives dialog: rows from the monitor's drive list, their drawing, clicks, Cancel, and OK
// with the real engine where the Wine stand-in driver is present.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/DialogsTestSupport.h"
#include "engine/DriveItem.h"
#include "resources/resource.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "support/TestCanvas.h"
#include "ui/dialogs/DriveSelectorDlg.h"

namespace
{
using DrivesDialog = ScriptedDialog<CQDriveSelectorDlg>;

CQDriveItem* AddDrive(CQMonitor& monitor, const wchar_t* letter, const wchar_t* volume, int instances)
{
    CQDriveItem* drive = new CQDriveItem;
    drive->m_csLetter = letter;
    drive->SetVolumeName(volume);
    drive->m_intInstances = instances;
    monitor.m_arrDrives.Add(drive);
    return drive;
}

// Clicks the middle of a row's label (the drive's text), with MK_CONTROL / MK_SHIFT in `keys`.
void ClickRow(HWND list, int row, WPARAM keys = 0)
{
    ClickAt(list, CenterOf(ListItemRect(list, row, LVIR_LABEL)), keys);
}

int CountPixels(const TestCanvas& canvas, const RECT& area, COLORREF color)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += canvas.Pixel(x, y) == color ? 1 : 0;
    return count;
}

// Pixels of the row's picture area that differ from picture `index` drawn alone on `background`.
int PictureMismatches(const TestCanvas& canvas, HIMAGELIST images, int index, POINT at, COLORREF background)
{
    TestCanvas reference(CQDrivesListCtrl::kPictureWidth, CQDrivesListCtrl::kPictureHeight);
    reference.Fill(background);
    ::ImageList_Draw(images, index, reference.Dc(), 0, 0, ILD_TRANSPARENT);
    int mismatches = 0;
    for (int y = 0; y < reference.Height(); ++y)
        for (int x = 0; x < reference.Width(); ++x)
            mismatches += canvas.Pixel(at.x + x, at.y + y) != reference.Pixel(x, y) ? 1 : 0;
    return mismatches;
}

// Checks the drawing of `row` on `canvas` against its selection state.
void ExpectRowDrawn(const TestCanvas& canvas, HWND list, HIMAGELIST images, int row, bool selected,
                    const char* how)
{
    const COLORREF background =
        selected ? CQDrivesListCtrl::kSelectedBackgroundColor : CQDrivesListCtrl::kBackgroundColor;
    const COLORREF text = selected ? CQDrivesListCtrl::kSelectedTextColor : CQDrivesListCtrl::kTextColor;
    const RECT bounds = ListItemRect(list, row, LVIR_BOUNDS);
    const RECT icon = ListItemRect(list, row, LVIR_ICON);
    const RECT label = ListItemRect(list, row, LVIR_LABEL);
    SCOPED_TRACE(testing::Message() << how << ", row " << row
                                    << (selected ? " (selected)" : " (not selected)"));

    EXPECT_EQ(background, canvas.Pixel(bounds.right - 3, bounds.top + 1));
    EXPECT_EQ(background, canvas.Pixel(bounds.right - 3, bounds.bottom - 2));
    EXPECT_EQ(0, PictureMismatches(canvas, images, selected ? 1 : 0, POINT{icon.left, icon.top}, background));

    // The text starts 3 pixels right of and 10 below the label's corner, with the letter on the first line
    // and the volume name on the second.
    TEXTMETRICW metrics = {};
    HDC hdc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    ::GetTextMetricsW(hdc, &metrics);
    ::SelectObject(hdc, old);
    ::ReleaseDC(list, hdc);
    const int top = label.top + CQDrivesListCtrl::kTextOffsetY;
    const RECT above = {label.left, label.top, label.right, top};
    const RECT leftMargin = {label.left, label.top, label.left + CQDrivesListCtrl::kTextOffsetX,
                             label.bottom};
    const RECT firstLine = {label.left, top, label.right, top + metrics.tmHeight};
    const RECT secondLine = {label.left, top + metrics.tmHeight, label.right, bounds.bottom};
    EXPECT_EQ(0, CountPixels(canvas, above, text)) << "nothing above the text's top";
    EXPECT_EQ(0, CountPixels(canvas, leftMargin, text)) << "nothing left of the text";
    EXPECT_LT(0, CountPixels(canvas, firstLine, text)) << "the letter";
    EXPECT_LT(CountPixels(canvas, firstLine, text), CountPixels(canvas, secondLine, text))
        << "the volume name, longer than the letter";
}

class DriveSelectorDlgTest : public testing::Test
{
protected:
    CQMonitor& Monitor() { return m_app.Monitor(); }
    ScopedAppContext m_app;
};

TEST_F(DriveSelectorDlgTest, RowsFollowTheDriveListWithTheAttachedDrivesSelected)
{
    CQDriveItem* c = AddDrive(Monitor(), L"C:", L"\\Device\\HarddiskVolume2", 1);
    CQDriveItem* d = AddDrive(Monitor(), L"D:", L"\\Device\\HarddiskVolume3", 0);
    CQDriveItem* e = AddDrive(Monitor(), L"E:", L"\\Device\\HarddiskVolume5", 2);
    DrivesDialog dlg(nullptr);
    dlg.steps.push_back(
        [&](DrivesDialog& dialog)
        {
            HWND list = dialog.GetDlgItem(IDC_DRIVES_LIST);
            ASSERT_EQ(3, ListItemCount(list));
            EXPECT_EQ(reinterpret_cast<LPARAM>(c), ListItemData(list, 0));
            EXPECT_EQ(reinterpret_cast<LPARAM>(d), ListItemData(list, 1));
            EXPECT_EQ(reinterpret_cast<LPARAM>(e), ListItemData(list, 2));
            EXPECT_EQ(0, c->m_intListIndex);
            EXPECT_EQ(1, d->m_intListIndex);
            EXPECT_EQ(2, e->m_intListIndex);
            EXPECT_EQ("101", ListSelection(list));
            EXPECT_EQ(L"", ListItemText(list, 1, 0)) << "the list has no text of its own";

            HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
            EXPECT_EQ(1, static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)));
            EXPECT_EQ(ClientWidth(list), ListColumnWidth(list, 0));

            HIMAGELIST images =
                reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
            ASSERT_NE(nullptr, images);
            EXPECT_EQ(dialog.GetDrivesList().GetImageList(), images);
            EXPECT_EQ(2, ::ImageList_GetImageCount(images));
            int cx = 0, cy = 0;
            ::ImageList_GetIconSize(images, &cx, &cy);
            EXPECT_EQ(64, cx);
            EXPECT_EQ(44, cy);
            const RECT bounds = ListItemRect(list, 0, LVIR_BOUNDS);
            EXPECT_GE(bounds.bottom - bounds.top, 44) << "rows as tall as the pictures";

            EXPECT_EQ(0x302D2Du, static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0)));
            EXPECT_EQ(0xF0FFFFu, static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST_F(DriveSelectorDlgTest, RowsAreDrawnWithThePictureAndColoursOfTheirState)
{
    AddDrive(Monitor(), L"C:", L"\\Device\\HarddiskVolume2", 1);
    AddDrive(Monitor(), L"D:", L"\\Device\\HarddiskVolume3", 0);
    DrivesDialog dlg(nullptr);
    dlg.steps.push_back(
        [&](DrivesDialog& dialog)
        {
            HWND list = dialog.GetDlgItem(IDC_DRIVES_LIST);
            HIMAGELIST images = dialog.GetDrivesList().GetImageList();
            ASSERT_NE(nullptr, images);
            RECT client = {};
            ::GetClientRect(list, &client);

            // The routine itself, row by row, on a memory surface.
            for (int row = 0; row < 2; ++row)
            {
                TestCanvas canvas(client.right, client.bottom);
                canvas.Fill(RGB(1, 2, 3));
                dialog.GetDrivesList().DrawRow(canvas.Dc(), row);
                ExpectRowDrawn(canvas, list, images, row, row == 0, "DrawRow");
            }

            // The list's own painting, which reaches the routine through custom draw.
            TestCanvas painted(client.right, client.bottom);
            painted.Fill(RGB(1, 2, 3));
            ::SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.Dc()),
                           PRF_CLIENT | PRF_ERASEBKGND);
            ExpectRowDrawn(painted, list, images, 0, true, "painting");
            ExpectRowDrawn(painted, list, images, 1, false, "painting");
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST_F(DriveSelectorDlgTest, ClicksSelectRowsAndCtrlAddsOrRemoves)
{
    AddDrive(Monitor(), L"C:", L"\\Device\\HarddiskVolume2", 1);
    AddDrive(Monitor(), L"D:", L"\\Device\\HarddiskVolume3", 0);
    AddDrive(Monitor(), L"E:", L"\\Device\\HarddiskVolume4", 0);
    DrivesDialog dlg(nullptr);
    dlg.steps.push_back(
        [](DrivesDialog& dialog)
        {
            HWND list = dialog.GetDlgItem(IDC_DRIVES_LIST);
            ASSERT_EQ("100", ListSelection(list));
            ClickRow(list, 1);
            EXPECT_EQ("010", ListSelection(list)) << "a plain click leaves only the clicked row";
            EXPECT_EQ(1, static_cast<int>(::SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0)));
            ClickRow(list, 2, MK_CONTROL);
            EXPECT_EQ("011", ListSelection(list)) << "Ctrl adds a row";
            ClickRow(list, 1, MK_CONTROL);
            EXPECT_EQ("001", ListSelection(list)) << "Ctrl removes a selected row";

            // Anywhere in the row, also right of the text.
            const RECT bounds = ListItemRect(list, 0, LVIR_BOUNDS);
            ClickAt(list, POINT{bounds.right - 4, (bounds.top + bounds.bottom) / 2});
            EXPECT_EQ("100", ListSelection(list));
            EXPECT_EQ(0, static_cast<int>(::SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST_F(DriveSelectorDlgTest, CancelAfterChangesLeavesEveryDriveAsItWas)
{
    CQDriveItem* c = AddDrive(Monitor(), L"C:", L"\\Device\\HarddiskVolume2", 1);
    CQDriveItem* d = AddDrive(Monitor(), L"D:", L"\\Device\\HarddiskVolume3", 0);
    const size_t linesBefore = m_app.Context().m_log.GetLineCount();
    struct Case
    {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"Escape (IDCANCEL)", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const Case& test : cases)
    {
        DrivesDialog dlg(nullptr);
        dlg.steps.push_back(
            [&](DrivesDialog& dialog)
            {
                HWND list = dialog.GetDlgItem(IDC_DRIVES_LIST);
                ClickRow(list, 1);
                EXPECT_EQ("01", ListSelection(list));
                ::PostMessageW(dialog.GetHwnd(), test.message, test.wParam, 0);
            });
        dlg.steps.push_back([&](DrivesDialog&) { ADD_FAILURE() << test.name << " did not end the dialog"; });
        EXPECT_EQ(IDCANCEL, dlg.DoModal()) << test.name;
        EXPECT_EQ(1, c->m_intInstances) << test.name;
        EXPECT_EQ(0, d->m_intInstances) << test.name;
    }
    EXPECT_EQ(linesBefore, m_app.Context().m_log.GetLineCount()) << "nothing attached or detached";
}

TEST_F(DriveSelectorDlgTest, EmptyDriveListGivesAnEmptyListAndOkDoesNothing)
{
    DrivesDialog dlg(nullptr);
    dlg.steps.push_back(
        [](DrivesDialog& dialog)
        {
            EXPECT_EQ(0, ListItemCount(dialog.GetDlgItem(IDC_DRIVES_LIST)));
            PostButtonClick(dialog.GetHwnd(), IDOK);
        });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(0, Monitor().m_arrDrives.GetSize());
}

// OK with the real engine: the Wine stand-in driver (wrimon.sys next to the test program) and its
// filter manager, on the first two fixed drives that the monitor lists.
class DriveSelectorEngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const std::wstring folder = TestProgramFolder();
        if (::GetFileAttributesW((folder + L"wrimon.sys").c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "no wrimon.sys next to the test program: the stand-in driver is not built";
        wchar_t current[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, current);
        m_previousFolder = current;
        // The driver's image path and the program folder come from the current directory.
        ::SetCurrentDirectoryW(folder.c_str());
        m_app = std::make_unique<ScopedAppContext>();
        m_installed = Monitor().InstallDriverService() != 0;
        if (!m_installed)
            GTEST_SKIP() << "the driver service could not be installed and started";
        Monitor().ListVolumes();
        if (Monitor().m_arrDrives.GetSize() < 2)
            GTEST_SKIP() << "the monitor lists " << Monitor().m_arrDrives.GetSize()
                         << " drive(s); two fixed drives are needed";
    }

    void TearDown() override
    {
        if (m_app)
        {
            if (m_installed)
            {
                for (int i = 0; i < Monitor().m_arrDrives.GetSize(); ++i)
                    for (int tries = Drive(i)->m_intInstances; tries > 0; --tries)
                        Monitor().DetachDrive(Drive(i));
                Monitor().RemoveDriverService();
            }
            m_app.reset();
        }
        if (!m_previousFolder.empty())
            ::SetCurrentDirectoryW(m_previousFolder.c_str());
    }

    CQMonitor& Monitor() { return m_app->Monitor(); }
    CQDriveItem* Drive(int index) { return Monitor().m_arrDrives[index]; }

    // The first drive attached, the second not.
    void PrepareFirstAttachedSecondNot()
    {
        if (Drive(0)->m_intInstances == 0)
        {
            ASSERT_TRUE(Monitor().AttachDrive(Drive(0)));
        }
        while (Drive(1)->m_intInstances > 0)
            ASSERT_TRUE(Monitor().DetachDrive(Drive(1)));
        ASSERT_EQ(1, Monitor().CountInstances(Drive(0)->m_csVolumeName));
        ASSERT_EQ(0, Monitor().CountInstances(Drive(1)->m_csVolumeName));
    }

    // Runs the dialog: `act` changes the selection; then OK or Cancel.
    INT_PTR RunDialog(const std::function<void(HWND list)>& act, int endWith)
    {
        DrivesDialog dlg(nullptr);
        dlg.steps.push_back(
            [&](DrivesDialog& dialog)
            {
                HWND list = dialog.GetDlgItem(IDC_DRIVES_LIST);
                EXPECT_EQ("10", ListSelection(list).substr(0, 2)) << "first attached, second not";
                act(list);
                PostButtonClick(dialog.GetHwnd(), endWith);
            });
        return dlg.DoModal();
    }

    // Log lines added since `from` that start with `prefix`.
    std::vector<std::wstring> NewLines(size_t from, const std::wstring& prefix)
    {
        std::vector<std::wstring> found;
        const std::vector<std::wstring> lines = m_app->Context().m_log.GetLines();
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i].compare(0, prefix.size(), prefix) == 0)
                found.push_back(lines[i]);
        return found;
    }

    std::unique_ptr<ScopedAppContext> m_app;
    std::wstring m_previousFolder;
    bool m_installed = false;
};

TEST_F(DriveSelectorEngineTest, CtrlSelectingTheSecondDriveAttachesOnlyIt)
{
    PrepareFirstAttachedSecondNot();
    const size_t from = m_app->Context().m_log.GetLineCount();
    EXPECT_EQ(IDOK, RunDialog([](HWND list) { ClickRow(list, 1, MK_CONTROL); }, IDOK));
    EXPECT_EQ(1, Drive(0)->m_intInstances);
    EXPECT_EQ(1, Drive(1)->m_intInstances);
    EXPECT_EQ(1, Monitor().CountInstances(Drive(0)->m_csVolumeName)) << "left alone";
    EXPECT_EQ(1, Monitor().CountInstances(Drive(1)->m_csVolumeName)) << "attached";
    const std::vector<std::wstring> attached = NewLines(from, L" Attached to: ");
    ASSERT_EQ(1u, attached.size());
    EXPECT_EQ(0u, attached[0].find(L" Attached to: " + Drive(1)->m_csLetter + L" , instance name: "))
        << attached[0];
    EXPECT_TRUE(NewLines(from, L" Detached from: ").empty());
}

TEST_F(DriveSelectorEngineTest, PlainClickOnTheSecondDriveAttachesItAndDetachesTheFirst)
{
    PrepareFirstAttachedSecondNot();
    const size_t from = m_app->Context().m_log.GetLineCount();
    EXPECT_EQ(IDOK, RunDialog([](HWND list) { ClickRow(list, 1); }, IDOK));
    EXPECT_EQ(0, Drive(0)->m_intInstances);
    EXPECT_EQ(1, Drive(1)->m_intInstances);
    EXPECT_EQ(0, Monitor().CountInstances(Drive(0)->m_csVolumeName)) << "detached";
    EXPECT_EQ(1, Monitor().CountInstances(Drive(1)->m_csVolumeName)) << "attached";
    const std::vector<std::wstring> attached = NewLines(from, L" Attached to: ");
    const std::vector<std::wstring> detached = NewLines(from, L" Detached from: ");
    ASSERT_EQ(1u, attached.size());
    ASSERT_EQ(1u, detached.size());
    EXPECT_EQ(0u, attached[0].find(L" Attached to: " + Drive(1)->m_csLetter + L" ")) << attached[0];
    EXPECT_EQ(0u, detached[0].find(L" Detached from: " + Drive(0)->m_csLetter + L" ")) << detached[0];
}

TEST_F(DriveSelectorEngineTest, CancelChangesNothing)
{
    PrepareFirstAttachedSecondNot();
    const size_t from = m_app->Context().m_log.GetLineCount();
    EXPECT_EQ(IDCANCEL, RunDialog([](HWND list) { ClickRow(list, 1); }, IDCANCEL));
    EXPECT_EQ(1, Drive(0)->m_intInstances);
    EXPECT_EQ(0, Drive(1)->m_intInstances);
    EXPECT_EQ(1, Monitor().CountInstances(Drive(0)->m_csVolumeName));
    EXPECT_EQ(0, Monitor().CountInstances(Drive(1)->m_csVolumeName));
    EXPECT_EQ(from, m_app->Context().m_log.GetLineCount());
}
} // namespace
