// CColorListBox, CColoredCombo and CColoredCheckBox: measuring, drawing and colours through the dialog.
#include <gtest/gtest.h>

#include <string>

#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "support/TestCanvas.h"
#include "ui/controls/ColorListBox.h"
#include "ui/controls/ColoredCheckBox.h"
#include "ui/controls/ColoredCombo.h"
#include "ui/controls/ComboDriveItem.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/Dialog.h"

namespace
{
constexpr WORD kListId = 1001;
constexpr WORD kComboId = 1076;
constexpr WORD kCheckId = 1035;
constexpr COLORREF kPaper = RGB(255, 0, 255);
constexpr COLORREF kSentinelColor = RGB(1, 2, 3);

class ColoredDialog : public ScriptedDialog<CQDialog>
{
public:
    using ScriptedDialog::ScriptedDialog;
    CColorListBox list;
    CColoredCombo combo;
    CColoredCheckBox check;
    CComboDriveItem entries[2];
    UINT comboHeightBeforeBinding = 0;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = ScriptedDialog::OnInitDialog();
        comboHeightBeforeBinding =
            static_cast<UINT>(::SendMessageW(GetDlgItem(kComboId), CB_GETITEMHEIGHT, 0, 0));
        list.AttachBrush(::CreateSolidBrush(kControlBackgroundColor));
        list.Attach(GetHwnd(), kListId);
        combo.AttachBrush(::CreateSolidBrush(kControlBackgroundColor));
        combo.Attach(GetHwnd(), kComboId);
        check.Attach(GetHwnd(), kCheckId);
        entries[0].m_csName = L"32Gb";
        entries[0].m_qwordCapacity = 32;
        entries[1].m_csName = L"1Tb";
        entries[1].m_qwordCapacity = 1024;
        for (CComboDriveItem& entry : entries)
            ::SendMessageW(GetDlgItem(kComboId), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&entry));
        return result;
    }
};

void RunInDialog(const std::function<void(ColoredDialog&)>& check)
{
    DialogTemplateBuilder tmpl(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 240, 160, L"Colours test");
    tmpl.ListBox(kListId,
                 LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                     WS_BORDER,
                 10, 10, 150, 60)
        .ComboBox(kComboId, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VSCROLL, 10, 80, 80, 60)
        .Button(kCheckId, BS_AUTOCHECKBOX, 10, 100, 150, 12, L"Collect names")
        .Button(IDOK, BS_DEFPUSHBUTTON, 180, 140, 50, 14, L"OK");
    ColoredDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back([&](ScriptedDialog<CQDialog>&) { check(dlg); });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

DRAWITEMSTRUCT MakeDraw(HWND hControl, UINT type, UINT item, HDC hdc, RECT rect, ULONG_PTR data = 0)
{
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = type;
    draw.CtlID = static_cast<UINT>(::GetDlgCtrlID(hControl));
    draw.itemID = item;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = ODS_SELECTED | ODS_FOCUS;
    draw.hwndItem = hControl;
    draw.hDC = hdc;
    draw.rcItem = rect;
    draw.itemData = data;
    return draw;
}

TEST(ColoredControls, ComboMeasuredAtCreationIsTwiceTheLineHeightOfItsOwnContext)
{
    RunInDialog(
        [](ColoredDialog& d)
        {
            HWND hCombo = d.GetDlgItem(kComboId);
            HDC hdc = ::GetDC(hCombo);
            SIZE extent = {};
            ::GetTextExtentPoint32W(hdc, L"", 0, &extent);
            TEXTMETRICW metrics = {};
            ::GetTextMetricsW(hdc, &metrics);
            ::ReleaseDC(hCombo, hdc);
            if (extent.cy == 0) // Wine measures an empty text as zero high
                extent.cy = metrics.tmHeight;
            ASSERT_GT(extent.cy, 0);
            EXPECT_EQ(static_cast<UINT>(2 * extent.cy), d.comboHeightBeforeBinding);
            EXPECT_EQ(static_cast<LRESULT>(2 * extent.cy), ::SendMessageW(hCombo, CB_GETITEMHEIGHT, 0, 0));

            // The selection field (-1) is left alone.
            MEASUREITEMSTRUCT measure = {ODT_COMBOBOX, kComboId, static_cast<UINT>(-1), 0, 77, 0};
            ::SendMessageW(d.GetHwnd(), WM_MEASUREITEM, kComboId, reinterpret_cast<LPARAM>(&measure));
            EXPECT_EQ(77u, measure.itemHeight);
        });
}

TEST(ColoredControls, ComboDrawsTheEntryLabelOnTheControlColours)
{
    RunInDialog(
        [](ColoredDialog& d)
        {
            HWND hCombo = d.GetDlgItem(kComboId);
            TestCanvas canvas(120, 30);
            canvas.Fill(kPaper);
            ::SetTextColor(canvas.Dc(), kSentinelColor);
            ::SetBkColor(canvas.Dc(), kSentinelColor);

            DRAWITEMSTRUCT none =
                MakeDraw(hCombo, ODT_COMBOBOX, static_cast<UINT>(-1), canvas.Dc(), RECT{0, 0, 100, 20});
            ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kComboId, reinterpret_cast<LPARAM>(&none));
            EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 120, 30}, kPaper)) << "item -1 draws nothing";

            DRAWITEMSTRUCT draw = MakeDraw(hCombo, ODT_COMBOBOX, 0, canvas.Dc(), RECT{0, 0, 100, 20},
                                           reinterpret_cast<ULONG_PTR>(&d.entries[1]));
            EXPECT_EQ(TRUE,
                      ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kComboId, reinterpret_cast<LPARAM>(&draw)));
            EXPECT_EQ(kControlBackgroundColor, canvas.Pixel(0, 0));
            EXPECT_EQ(kControlBackgroundColor, canvas.Pixel(99, 19));
            EXPECT_EQ(kPaper, canvas.Pixel(100, 20));
            int textPixels = 0;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 100; ++x)
                    textPixels += canvas.Pixel(x, y) != kControlBackgroundColor;
            EXPECT_GT(textPixels, 0) << "the label is drawn";
            EXPECT_EQ(kSentinelColor, ::GetTextColor(canvas.Dc())) << "text colour restored";
            EXPECT_EQ(kSentinelColor, ::GetBkColor(canvas.Dc())) << "background colour restored";

            // A row without its entry is painted empty rather than read through a null pointer.
            canvas.Fill(kPaper);
            DRAWITEMSTRUCT empty = MakeDraw(hCombo, ODT_COMBOBOX, 1, canvas.Dc(), RECT{0, 0, 100, 20});
            ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kComboId, reinterpret_cast<LPARAM>(&empty));
            EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 100, 20}, kControlBackgroundColor));
        });
}

TEST(ColoredControls, ControlColourRequestsReturnTheControlBrushes)
{
    RunInDialog(
        [](ColoredDialog& d)
        {
            TestCanvas canvas(8, 8);
            ::SetBkColor(canvas.Dc(), kSentinelColor);
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.list.GetBrush()),
                      ::SendMessageW(d.GetHwnd(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(canvas.Dc()),
                                     reinterpret_cast<LPARAM>(d.GetDlgItem(kListId))));
            EXPECT_EQ(kControlBackgroundColor, ::GetBkColor(canvas.Dc()));
            EXPECT_EQ(TRANSPARENT, ::GetBkMode(canvas.Dc()));

            ::SetBkColor(canvas.Dc(), kSentinelColor);
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.combo.GetBrush()),
                      ::SendMessageW(d.GetHwnd(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(canvas.Dc()),
                                     reinterpret_cast<LPARAM>(d.GetDlgItem(kComboId))));
            EXPECT_EQ(kControlBackgroundColor, ::GetBkColor(canvas.Dc()));

            // The combo's drop-down list answers with the combo's brush too.
            COMBOBOXINFO info = {};
            info.cbSize = sizeof(info);
            ASSERT_TRUE(::GetComboBoxInfo(d.GetDlgItem(kComboId), &info));
            ASSERT_NE(nullptr, info.hwndList);
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.combo.GetBrush()),
                      ::SendMessageW(d.GetHwnd(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(canvas.Dc()),
                                     reinterpret_cast<LPARAM>(info.hwndList)));
        });
}

TEST(ColoredControls, ListBoxItemsAreMenuCheckHighAndItemMinusOneDrawsNothing)
{
    RunInDialog(
        [](ColoredDialog& d)
        {
            HWND hList = d.GetDlgItem(kListId);
            const LRESULT index =
                ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"2025.01.31 line"));
            ASSERT_EQ(0, index);
            EXPECT_EQ(::GetSystemMetrics(SM_CYMENUCHECK), ::SendMessageW(hList, LB_GETITEMHEIGHT, 0, 0));

            TestCanvas canvas(200, 20);
            canvas.Fill(kPaper);
            DRAWITEMSTRUCT none =
                MakeDraw(hList, ODT_LISTBOX, static_cast<UINT>(-1), canvas.Dc(), RECT{0, 0, 180, 16});
            ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kListId, reinterpret_cast<LPARAM>(&none));
            EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 200, 20}, kPaper));

            ::SetTextColor(canvas.Dc(), kSentinelColor);
            ::SetBkMode(canvas.Dc(), OPAQUE);
            DRAWITEMSTRUCT draw = MakeDraw(hList, ODT_LISTBOX, 0, canvas.Dc(), RECT{0, 0, 180, 16});
            EXPECT_EQ(TRUE,
                      ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kListId, reinterpret_cast<LPARAM>(&draw)));
            EXPECT_EQ(kControlBackgroundColor, canvas.Pixel(179, 15)) << "selection is not drawn";
            EXPECT_EQ(kPaper, canvas.Pixel(180, 16));
            bool textDrawn = false;
            for (int x = 0; x < 100 && !textDrawn; ++x)
                for (int y = 0; y < 16 && !textDrawn; ++y)
                    textDrawn = canvas.Pixel(x, y) != kControlBackgroundColor;
            EXPECT_TRUE(textDrawn);
            EXPECT_EQ(kSentinelColor, ::GetTextColor(canvas.Dc()));
            EXPECT_EQ(OPAQUE, ::GetBkMode(canvas.Dc()));
        });
}

TEST(ColoredControls, CheckBoxTakesTheStaticColoursAndDrawsItsOwnerDrawnText)
{
    RunInDialog(
        [](ColoredDialog& d)
        {
            HWND hCheck = d.GetDlgItem(kCheckId);
            TestCanvas canvas(200, 20);
            ::SetTextColor(canvas.Dc(), kSentinelColor);
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.GetBackgroundBrush()),
                      ::SendMessageW(d.GetHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()),
                                     reinterpret_cast<LPARAM>(hCheck)));
            EXPECT_EQ(kControlTextColor, ::GetTextColor(canvas.Dc()));

            canvas.Fill(kPaper);
            ::SetBkMode(canvas.Dc(), TRANSPARENT);
            DRAWITEMSTRUCT draw = MakeDraw(hCheck, ODT_BUTTON, 0, canvas.Dc(), RECT{0, 0, 180, 16});
            EXPECT_EQ(TRUE,
                      ::SendMessageW(d.GetHwnd(), WM_DRAWITEM, kCheckId, reinterpret_cast<LPARAM>(&draw)));
            EXPECT_EQ(kControlTextColor, ::GetTextColor(canvas.Dc()));
            EXPECT_EQ(kControlBackgroundColor, ::GetBkColor(canvas.Dc()));
            bool textDrawn = false;
            for (int x = 0; x < 100 && !textDrawn; ++x)
                for (int y = 0; y < 16 && !textDrawn; ++y)
                    textDrawn = canvas.Pixel(x, y) == kControlTextColor;
            EXPECT_TRUE(textDrawn);
        });
}
} // namespace
