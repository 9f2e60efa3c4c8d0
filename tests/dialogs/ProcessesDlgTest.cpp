// The processes dialog: rows gathered from the monitor's data, headlines, columns and order.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/ProcessLink.h"
#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "stats/Format.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "support/WindowQueries.h"
#include "ui/dialogs/ProcessesDlg.h"

namespace
{
using ProcessesDialog = ScriptedDialog<CTavrelloProcessesDlg>;

const uint64_t kGiB = uint64_t(1) << 30;

struct Row
{
    std::wstring name;
    std::wstring written;
    uint64_t bytes;
    bool operator==(const Row& other) const
    {
        return name == other.name && written == other.written && bytes == other.bytes;
    }
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << "{" << testing::PrintToString(row.name) << ", " << testing::PrintToString(row.written)
               << ", " << row.bytes << "}";
}

// What the dialog showed.
struct Shown
{
    std::vector<Row> rows;
    std::wstring headline;
    int rowsOwned = -1;
    bool itemDataAreOwnedRows = false;
};

class ProcessesDlgTest : public testing::Test
{
protected:
    CQTreeItem* Write(const std::wstring& path, const wchar_t* process, uint64_t bytes)
    {
        return AddTestWrite(m_app.Monitor(), path, process, bytes);
    }

    Shown Open(CQTreeItem* item, BOOL withSubitems)
    {
        Shown shown;
        ProcessesDialog dlg(item, withSubitems, nullptr);
        dlg.steps.push_back(
            [&](ProcessesDialog& d)
            {
                HWND list = d.GetDlgItem(IDC_PROCESSES_LIST);
                const CQPtrAutoArray<CQProcess>& owned = d.GetRows();
                shown.rowsOwned = owned.GetSize();
                shown.itemDataAreOwnedRows = true;
                for (int row = 0; row < ListItemCount(list); ++row)
                {
                    const CQProcess* process = reinterpret_cast<const CQProcess*>(ListItemData(list, row));
                    bool found = false;
                    for (int i = 0; i < owned.GetSize(); ++i)
                        found = found || owned[i] == process;
                    shown.itemDataAreOwnedRows = shown.itemDataAreOwnedRows && found;
                    shown.rows.push_back({ListItemText(list, row, 0), ListItemText(list, row, 1),
                                          found ? process->m_qwordWritten : 0});
                }
                shown.headline = WindowText(d.GetDlgItem(IDC_PROCESSES_HEADLINE));
            });
        EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
        return shown;
    }

    static Row MakeRow(const wchar_t* name, uint64_t bytes) { return Row{name, FormatSize(bytes), bytes}; }

    ScopedAppContext m_app;
};

TEST_F(ProcessesDlgTest, AllDataListsEveryProcessWithItsTotalLargestFirst)
{
    Write(L"Q:\\a\\one.txt", L"app.exe", 100);
    Write(L"Q:\\a\\one.txt", L"tool.exe", 3000);
    Write(L"Q:\\a\\b\\two.bin", L"app.exe", 5 * kGiB);
    Write(L"Q:\\c.txt", L"other.exe", 4 * kGiB);
    Write(L"R:\\d.txt", L"low.exe", 4 * kGiB - 1);

    const Shown shown = Open(nullptr, FALSE);
    const std::vector<Row> expected = {MakeRow(L"app.exe", 5 * kGiB + 100), MakeRow(L"other.exe", 4 * kGiB),
                                       MakeRow(L"low.exe", 4 * kGiB - 1), MakeRow(L"tool.exe", 3000)};
    EXPECT_EQ(expected, shown.rows);
    // The same figures as the monitor's own process records.
    const CQPtrAutoArray<CQProcess>& records = m_app.Monitor().m_arrProcesses;
    ASSERT_EQ(4, records.GetSize());
    for (int i = 0; i < records.GetSize(); ++i)
    {
        bool listed = false;
        for (const Row& row : shown.rows)
            listed = listed ||
                     (row.name == records[i]->m_csProcessName && row.bytes == records[i]->m_qwordWritten);
        EXPECT_TRUE(listed) << testing::PrintToString(records[i]->m_csProcessName);
    }
    EXPECT_EQ(L"Item:  and its subitems, data written: " + FormatSize(m_app.Monitor().m_root.SumWritten()),
              shown.headline);
    EXPECT_EQ(4, shown.rowsOwned);
    EXPECT_TRUE(shown.itemDataAreOwnedRows);
}

TEST_F(ProcessesDlgTest, FileWrittenByTwoProcessesListsBothWithTheFilesOwnBytes)
{
    CQTreeItem* file = Write(L"Q:\\a\\one.txt", L"app.exe", 100);
    Write(L"Q:\\a\\one.txt", L"tool.exe", 3000);
    Write(L"Q:\\a\\one.txt", L"APP.exe", 20);
    Write(L"Q:\\a\\other.txt", L"third.exe", 7);
    ASSERT_NE(nullptr, file);

    const Shown alone = Open(file, FALSE);
    EXPECT_EQ((std::vector<Row>{MakeRow(L"tool.exe", 3000), MakeRow(L"app.exe", 120)}), alone.rows);
    EXPECT_EQ(L"Item name: one.txt , data written: " + FormatSize(3120), alone.headline);

    // A file has no sub-items: the same rows, the other headline.
    const Shown withChildren = Open(file, TRUE);
    EXPECT_EQ(alone.rows, withChildren.rows);
    EXPECT_EQ(L"Item: one.txt and its subitems, data written: " + FormatSize(3120), withChildren.headline);
}

TEST_F(ProcessesDlgTest, FolderNeverWrittenDirectlyIsEmptyAloneAndSumsItsChildrenWithSubitems)
{
    Write(L"Q:\\data\\x.txt", L"app.exe", 1000);
    Write(L"Q:\\data\\sub\\y.txt", L"app.exe", 24);
    Write(L"Q:\\data\\sub\\y.txt", L"tool.exe", 2048);
    Write(L"Q:\\data\\z.txt", L"tool.exe", 6 * kGiB);
    Write(L"Q:\\elsewhere.txt", L"stranger.exe", 99);
    CQTreeItem* drive = m_app.Monitor().m_root.m_arrChildren[0];
    CQTreeItem* folder = drive->m_arrChildren[0];
    ASSERT_EQ(std::wstring(L"data"), folder->m_csName.str());

    const Shown alone = Open(folder, FALSE);
    EXPECT_TRUE(alone.rows.empty()) << testing::PrintToString(alone.rows);
    EXPECT_EQ(L"Item name: data , data written: 0.00 b", alone.headline);
    EXPECT_EQ(0, alone.rowsOwned);

    const Shown withChildren = Open(folder, TRUE);
    EXPECT_EQ((std::vector<Row>{MakeRow(L"tool.exe", 6 * kGiB + 2048), MakeRow(L"app.exe", 1024)}),
              withChildren.rows);
    EXPECT_EQ(L"Item: data and its subitems, data written: " + FormatSize(6 * kGiB + 3072),
              withChildren.headline);

    // A drive shows its own name, the letter.
    const Shown driveShown = Open(drive, TRUE);
    EXPECT_EQ(3u, driveShown.rows.size());
    EXPECT_EQ(L"Item: Q: and its subitems, data written: " + FormatSize(6 * kGiB + 3072 + 99),
              driveShown.headline);
}

TEST_F(ProcessesDlgTest, DataWithoutProcessesShowsAnEmptyListAndTheFigure)
{
    Write(L"Q:\\a.txt", nullptr, 4096); // process names not collected
    const Shown shown = Open(nullptr, TRUE);
    EXPECT_TRUE(shown.rows.empty());
    EXPECT_EQ(L"Item:  and its subitems, data written: 4.00 Kb", shown.headline);
}

TEST_F(ProcessesDlgTest, TotalWithoutAProcessRecordIsShownAsUnknown)
{
    CQTreeItem* file = Write(L"Q:\\a.txt", L"app.exe", 10);
    // As a damaged data file could leave it: a link naming a process index that has no record.
    CQProcess stray;
    stray.m_dwordIndex = 42;
    file->AddProcessWrite(&stray, 777);

    const Shown shown = Open(file, FALSE);
    EXPECT_EQ((std::vector<Row>{MakeRow(L"< unknown >", 777), MakeRow(L"app.exe", 10)}), shown.rows);
}

TEST_F(ProcessesDlgTest, ColumnsSplitTheClientWidthAndFollowResizing)
{
    for (int i = 0; i < 40; ++i)
        Write(L"Q:\\f" + std::to_wstring(i) + L".txt", (L"p" + std::to_wstring(i) + L".exe").c_str(),
              100 + i);
    ProcessesDialog dlg(nullptr, TRUE, nullptr);
    dlg.steps.push_back(
        [](ProcessesDialog& d)
        {
            HWND list = d.GetDlgItem(IDC_PROCESSES_LIST);
            EXPECT_EQ(L"Process Name",
                      [&]
                      {
                          wchar_t title[64] = {};
                          LVCOLUMNW column = {};
                          column.mask = LVCF_TEXT;
                          column.pszText = title;
                          column.cchTextMax = 64;
                          ::SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
                          return std::wstring(title);
                      }());
            EXPECT_EQ(40, ListItemCount(list));
            int client = ClientWidth(list);
            EXPECT_EQ(client - client / 4, ListColumnWidth(list, 0)) << "client width " << client;
            EXPECT_EQ(client / 4, ListColumnWidth(list, 1)) << "client width " << client;

            EXPECT_EQ(0x403D3Du, static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0)));
            EXPECT_EQ(0xF0FFFFu, static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)));
            EXPECT_EQ(0x403D3Du, static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0)));
            EXPECT_TRUE(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

            RECT rect = {};
            ::GetWindowRect(list, &rect);
            ::SetWindowPos(list, nullptr, 0, 0, rect.right - rect.left + 57, rect.bottom - rect.top,
                           SWP_NOMOVE | SWP_NOZORDER);
            client = ClientWidth(list);
            EXPECT_EQ(client - client / 4, ListColumnWidth(list, 0))
                << "after resizing, client width " << client;
            EXPECT_EQ(client / 4, ListColumnWidth(list, 1)) << "after resizing, client width " << client;

            // Clicking a header keeps the largest writer first.
            HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
            RECT item = {};
            ::SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
            ClickAt(header, CenterOf(item));
            EXPECT_EQ(L"p39.exe", ListItemText(list, 0, 0));
            EXPECT_EQ(L"p0.exe", ListItemText(list, 39, 0));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
}
} // namespace

TEST_F(ProcessesDlgTest, CtrlCCopiesAHeaderAndTheSelectedRowsOrAllWithTheirBytes)
{
    Write(L"Q:\\a.txt", L"small.exe", 100);
    Write(L"Q:\\b.txt", L"big, \"quoted\".exe", 3 * kGiB);
    Write(L"Q:\\c.txt", L"middle.exe", 2048);
    Write(L"Q:\\d.txt", L"=1+1.exe", 10);
    std::vector<std::wstring> copied;
    ProcessesDialog dlg(nullptr, TRUE, nullptr);
    // Ctrl+C as the list sees it: the key message with the Ctrl key down in this thread's key state.
    auto pressCtrlC = [](HWND list, bool control)
    {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        ::SetKeyboardState(keys);
        ::SendMessageW(list, WM_KEYDOWN, 'C', 0);
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
    };
    dlg.steps.push_back(
        [&](ProcessesDialog& d)
        {
            HWND list = d.GetDlgItem(IDC_PROCESSES_LIST);
            ASSERT_TRUE(EmptyTheClipboard());
            pressCtrlC(list, false);
            copied.push_back(ClipboardText());
            pressCtrlC(list, true);
            copied.push_back(ClipboardText());
            LVITEMW state = {};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            ::SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
            ::SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
            pressCtrlC(list, true);
            copied.push_back(ClipboardText());
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
    // A spreadsheet sums the third column; a name it would run as a formula is marked as text.
    const std::vector<std::wstring> expected = {
        L"(nothing)",
        L"Process Name\tWritten\tBytes\r\nbig, \"quoted\".exe\t3.00 Gb\t3221225472\r\n"
        L"middle.exe\t2.00 Kb\t2048\r\nsmall.exe\t100.00 b\t100\r\n'=1+1.exe\t10.00 b\t10\r\n",
        L"Process Name\tWritten\tBytes\r\nsmall.exe\t100.00 b\t100\r\n'=1+1.exe\t10.00 b\t10\r\n",
    };
    EXPECT_EQ(expected, copied);
}
