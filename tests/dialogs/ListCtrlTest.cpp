// CQListCtrl: row texts from the row objects, the descending 64-bit sort, header clicks and the fit rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "data/Process.h"
#include "data/PtrArray.h"
#include "dialogs/DialogsTestSupport.h"
#include "support/DialogTemplateBuilder.h"
#include "support/ScriptedDialog.h"
#include "ui/controls/ListCtrl.h"

namespace
{
constexpr WORD kListId = 1051;

DialogTemplateBuilder MakeTemplate(DWORD listStyle = 0)
{
    DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 260, 200, L"List test");
    dlg.Control(kListId, L"SysListView32", LVS_REPORT | WS_BORDER | listStyle, 10, 10, 200, 150);
    return dlg;
}

// A dialog with one CQListCtrl of two columns whose rows are CQProcess objects it owns.
class ListHost : public CQDialog
{
public:
    using CQDialog::CQDialog;

    CQListCtrl list;
    CQPtrAutoArray<CQProcess> rows;
    int notifiedColumnClicks = 0;

    HWND List() const { return list.GetHwnd(); }

    CQProcess* AddRow(const wchar_t* name, uint64_t written)
    {
        CQProcess* row = new CQProcess;
        row->m_csProcessName = name;
        row->m_qwordWritten = written;
        rows.Add(row);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = ListItemCount(List());
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = I_IMAGECALLBACK;
        item.lParam = reinterpret_cast<LPARAM>(row);
        row->m_intListIndex =
            static_cast<int>(::SendMessageW(List(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        return row;
    }

    // The written bytes of the rows in the list's order.
    std::vector<uint64_t> Order() const
    {
        std::vector<uint64_t> order;
        for (int row = 0; row < ListItemCount(List()); ++row)
            order.push_back(reinterpret_cast<const CQProcess*>(ListItemData(List(), row))->m_qwordWritten);
        return order;
    }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CQDialog::OnInitDialog();
        list.Attach(GetHwnd(), kListId);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 120;
        column.pszText = const_cast<wchar_t*>(L"Process Name");
        ::SendMessageW(List(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        column.cx = 60;
        column.pszText = const_cast<wchar_t*>(L"Written");
        ::SendMessageW(List(), LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
        return result;
    }

    BOOL OnNotify(NMHDR* pHeader, LRESULT& result) override
    {
        if (pHeader->code == LVN_COLUMNCLICK)
            ++notifiedColumnClicks;
        return CQDialog::OnNotify(pHeader, result);
    }
};

using ListDialog = ScriptedDialog<ListHost>;

const uint64_t kGiB = uint64_t(1) << 30;

void ClickHeaderItem(HWND list, int item)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT rect = {};
    ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect));
    ClickAt(header, CenterOf(rect));
}

TEST(ListCtrl, ComparesRowsByAllSixtyFourBitsLargestFirst)
{
    CQListCtrl list;
    struct Case
    {
        uint64_t first, second;
        int expected;
    };
    const Case cases[] = {
        {5, 5, 0},
        {6, 5, -1},
        {5, 6, 1},
        {4 * kGiB, 4 * kGiB - 1, -1}, // a comparison of the low words alone gets these two wrong
        {4 * kGiB - 1, 4 * kGiB, 1},
        {(uint64_t(2) << 32) + 1, (uint64_t(1) << 32) + 0xFFFFFFFF, -1},
        {UINT64_MAX, 0, -1},
    };
    for (const Case& c : cases)
    {
        CQProcess a, b;
        a.m_qwordWritten = c.first;
        b.m_qwordWritten = c.second;
        EXPECT_EQ(c.expected, list.CompareRows(reinterpret_cast<LPARAM>(&a), reinterpret_cast<LPARAM>(&b)))
            << c.first << " against " << c.second;
    }
}

TEST(ListCtrl, SortItemsPutsTheLargestWriterFirstAboveFourGiB)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ListDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](ListDialog& d)
        {
            const uint64_t values[] = {1, 4 * kGiB, 4 * kGiB - 1, (uint64_t(2) << 32) + 1, 0, 5 * kGiB + 7,
                                       1};
            for (uint64_t value : values)
                d.AddRow(L"p.exe", value);
            EXPECT_TRUE(d.list.SortItems());
            const std::vector<uint64_t> expected = {
                (uint64_t(2) << 32) + 1, 5 * kGiB + 7, 4 * kGiB, 4 * kGiB - 1, 1, 1, 0};
            EXPECT_EQ(expected, d.Order());
            EXPECT_EQ(0, d.list.GetSortColumn()) << "sorting alone does not change the sort column";
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ListCtrl, CellTextsComeFromTheRowObject)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ListDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](ListDialog& d)
        {
            d.AddRow(L"explorer.exe", 1572864);
            d.AddRow(L"zero.exe", 0);
            EXPECT_EQ(L"explorer.exe", ListItemText(d.List(), 0, 0));
            EXPECT_EQ(L"1.50 Mb", ListItemText(d.List(), 0, 1));
            EXPECT_EQ(L"zero.exe", ListItemText(d.List(), 1, 0));
            EXPECT_EQ(L"0.00 b", ListItemText(d.List(), 1, 1));
            EXPECT_EQ(L"1.50 Mb", d.rows[0]->m_csWrittenText) << "the text is kept in the row";
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ListCtrl, HeaderClicksSetTheSortColumnAndSortTheSameWayForEveryColumn)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ListDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](ListDialog& d)
        {
            const std::vector<uint64_t> expected = {9 * kGiB, 300, 20, 1};
            for (uint64_t value : {uint64_t(20), uint64_t(1), 9 * kGiB, uint64_t(300)})
                d.AddRow(L"p.exe", value);

            ClickHeaderItem(d.List(), 1);
            EXPECT_EQ(1, d.list.GetSortColumn());
            EXPECT_EQ(expected, d.Order()) << "after clicking the second column";

            // Put the rows out of order again; the first column sorts by the same bytes.
            d.list.DeleteAllItems();
            d.rows.RemoveAll();
            for (uint64_t value : {uint64_t(1), uint64_t(300), uint64_t(20), 9 * kGiB})
                d.AddRow(L"p.exe", value);
            ClickHeaderItem(d.List(), 0);
            EXPECT_EQ(0, d.list.GetSortColumn());
            EXPECT_EQ(expected, d.Order()) << "after clicking the first column";
            EXPECT_EQ(0, d.notifiedColumnClicks) << "the control consumes the header click";

            // Headers that notify in ANSI are handled alike.
            HWND header = reinterpret_cast<HWND>(::SendMessageW(d.List(), LVM_GETHEADER, 0, 0));
            NMHEADERA notify = {};
            notify.hdr.hwndFrom = header;
            notify.hdr.idFrom = 0;
            notify.hdr.code = HDN_ITEMCLICKA;
            notify.iItem = 1;
            EXPECT_EQ(0, ::SendMessageW(d.List(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
            EXPECT_EQ(1, d.list.GetSortColumn());
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ListCtrl, ColumnsWidthAndDeletingRows)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ListDialog dlg(tmpl.Get(), nullptr);
    dlg.steps.push_back(
        [](ListDialog& d)
        {
            EXPECT_EQ(180, d.list.GetColumnsWidth());
            d.AddRow(L"a.exe", 1);
            d.AddRow(L"b.exe", 2);
            d.AddRow(L"c.exe", 3);
            EXPECT_TRUE(d.list.DeleteItem(1));
            EXPECT_EQ(2, ListItemCount(d.List()));
            EXPECT_EQ(L"c.exe", ListItemText(d.List(), 1, 0));
            EXPECT_FALSE(d.list.DeleteItem(7));
            EXPECT_TRUE(d.list.DeleteAllItems());
            EXPECT_EQ(0, ListItemCount(d.List()));

            ::SendMessageW(d.List(), LVM_DELETECOLUMN, 1, 0);
            ::SendMessageW(d.List(), LVM_DELETECOLUMN, 0, 0);
            EXPECT_EQ(0, d.list.GetColumnsWidth()) << "no columns";
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}

TEST(ListCtrl, FitCallbackRunsOnlyWhenTheSizeChangesAndTheColumnsDoNotFit)
{
    DialogTemplateBuilder tmpl = MakeTemplate();
    ListDialog dlg(tmpl.Get(), nullptr);
    std::vector<CQListCtrl*> calls;
    dlg.steps.push_back(
        [&](ListDialog& d)
        {
            HWND list = d.List();
            d.list.SetFitCallback([&](CQListCtrl* control) { calls.push_back(control); });
            RECT rect = {};
            ::GetWindowRect(list, &rect);
            ::MapWindowPoints(nullptr, d.GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
            const int width = rect.right - rect.left;
            const int height = rect.bottom - rect.top;
            const int frame = width - ClientWidth(list);

            // Fitting disabled, as after construction: nothing calls the callback.
            EXPECT_FALSE(d.list.IsColumnsFitEnabled());
            ::SetWindowPos(list, nullptr, 0, 0, width + 30, height, SWP_NOMOVE | SWP_NOZORDER);
            d.list.CheckColumnsFit();
            EXPECT_EQ(0u, calls.size()) << "disabled";

            d.list.EnableColumnsFit(TRUE);
            ::SetWindowPos(list, nullptr, rect.left + 5, rect.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            EXPECT_EQ(0u, calls.size()) << "a move with SWP_NOSIZE";
            ::SetWindowPos(list, nullptr, rect.left, rect.top, width + 30, height, SWP_NOZORDER);
            EXPECT_EQ(0u, calls.size()) << "a move that keeps the size";

            // The showing of the control, even with a new size that the columns do not fit.
            ::ShowWindow(list, SW_HIDE);
            ::SetWindowPos(list, nullptr, 0, 0, width + 20, height,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
            EXPECT_TRUE(::IsWindowVisible(list));
            ASSERT_NE(ClientWidth(list), d.list.GetColumnsWidth());
            EXPECT_EQ(0u, calls.size()) << "showing the control";

            // Client width equal to the columns' total: they fit, no call.
            const int columns = d.list.GetColumnsWidth();
            ::SetWindowPos(list, nullptr, 0, 0, columns + frame, height, SWP_NOMOVE | SWP_NOZORDER);
            ASSERT_EQ(columns, ClientWidth(list));
            EXPECT_EQ(0u, calls.size()) << "columns fit the new width";

            ::SetWindowPos(list, nullptr, 0, 0, columns + frame + 40, height, SWP_NOMOVE | SWP_NOZORDER);
            ASSERT_EQ(1u, calls.size()) << "a resize the columns do not fit";
            EXPECT_EQ(&d.list, calls[0]);

            d.list.CheckColumnsFit();
            EXPECT_EQ(2u, calls.size()) << "still not fitted";

            d.list.SetFitCallback(nullptr);
            ::SetWindowPos(list, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
            EXPECT_EQ(2u, calls.size()) << "no callback set";
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
} // namespace
