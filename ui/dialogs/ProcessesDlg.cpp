#include "ui/dialogs/ProcessesDlg.h"

#include "app/AppContext.h"
#include "data/ProcessLink.h"
#include "data/csv/CsvText.h"
#include "data/TreeItem.h"
#include "resources/resource.h"
#include "stats/Format.h"

#include <cwchar>
#include <string>
#include <vector>

namespace
{
constexpr COLORREF kListBackgroundColor = 0x403D3D;
constexpr COLORREF kListTextColor = 0xF0FFFF;

// Column 0 takes three quarters of the client width, column 1 the rest.
void FitProcessColumns(CQListCtrl* list)
{
    RECT client = {};
    ::GetClientRect(list->GetHwnd(), &client);
    const int width = client.right - client.left;
    ::SendMessageW(list->GetHwnd(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width - width / 4, 0));
    ::SendMessageW(list->GetHwnd(), LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(width / 4, 0));
}

void InsertColumn(HWND hList, int index, const wchar_t* title, int width)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    ::SendMessageW(hList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}
} // namespace

CTavrelloProcessesDlg::CTavrelloProcessesDlg(CQTreeItem* item, BOOL withSubitems, HWND parent)
    : CQDialog(IDD_PROCESSES, parent), m_pItem(item), m_boolWithSubitems(withSubitems)
{
}

CTavrelloProcessesDlg::CTavrelloProcessesDlg(const std::vector<CQTopWriter>& writers,
                                             const std::wstring& headline, HWND parent)
    : CQDialog(IDD_PROCESSES, parent), m_pItem(nullptr), m_boolWithSubitems(FALSE), m_boolGivenList(true),
      m_csHeadline(headline)
{
    for (const CQTopWriter& writer : writers)
    {
        CQProcess* row = new CQProcess;
        row->m_csProcessName = writer.name;
        row->m_qwordWritten = writer.bytes;
        m_arrRows.Add(row);
    }
}

CTavrelloProcessesDlg::~CTavrelloProcessesDlg() = default;

BOOL CTavrelloProcessesDlg::OnInitDialog()
{
    CQDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);
    m_listProcesses.Attach(m_hWnd, IDC_PROCESSES_LIST);
    HWND hList = m_listProcesses.GetHwnd();

    if (hList)
    {
        InsertColumns();
        ::SendMessageW(hList, LVM_SETBKCOLOR, 0, kListBackgroundColor);
        ::SendMessageW(hList, LVM_SETTEXTCOLOR, 0, kListTextColor);
        ::SendMessageW(hList, LVM_SETTEXTBKCOLOR, 0, kListBackgroundColor);
        ::SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }

    if (!m_pItem && !m_boolGivenList && g_pAppContext)
    {
        m_pItem = &g_pAppContext->m_monitor.m_root;
        m_boolWithSubitems = TRUE;
    }
    const uint64_t written = m_boolGivenList ? 0 : GatherRows();

    if (hList)
    {
        InsertRows();
        m_listProcesses.SortItems();
        m_listProcesses.SetFitCallback(FitProcessColumns);
        m_listProcesses.EnableColumnsFit(TRUE);
        // The bytes as a plain number beside the size text, for a spreadsheet to sum.
        m_listProcesses.EnableCopy(
            TRUE, {{L"Bytes", [](LPARAM row)
                    {
                        std::wstring bytes;
                        AppendDecimal(bytes, reinterpret_cast<const CQProcess*>(row)->m_qwordWritten);
                        return bytes;
                    }}});
        m_listProcesses.CheckColumnsFit();
        ::InvalidateRect(hList, nullptr, TRUE);
    }
    SetHeadline(written);
    return TRUE;
}

void CTavrelloProcessesDlg::InsertColumns()
{
    HWND hList = m_listProcesses.GetHwnd();
    RECT window = {};
    ::GetWindowRect(hList, &window);
    const int width = (window.right - window.left) - 2 * ::GetSystemMetrics(SM_CXEDGE);
    InsertColumn(hList, 0, L"Process Name", width - width / 4);
    InsertColumn(hList, 1, L"Written", width / 4);
}

uint64_t CTavrelloProcessesDlg::GatherRows()
{
    if (!m_pItem || !g_pAppContext)
        return 0;
    CQMonitor& monitor = g_pAppContext->m_monitor;
    CQPtrAutoArray<CQProcessLink> totals;
    CQLock lock(monitor.m_lockData);
    m_pItem->CollectProcessTotals(totals, m_boolWithSubitems);
    for (int i = 0; i < totals.GetSize(); ++i)
    {
        const CQProcessLink* total = totals[i];
        CQProcess* row = new CQProcess;
        const int index = static_cast<int>(total->m_dwordProcessIndex);
        // The index always names a record unless the data file was damaged.
        if (total->m_dwordProcessIndex < static_cast<uint32_t>(monitor.m_arrProcesses.GetSize()) &&
            monitor.m_arrProcesses[index])
            row->m_csProcessName = monitor.m_arrProcesses[index]->m_csProcessName;
        else
            row->m_csProcessName = kUnknownProcessName;
        row->m_qwordWritten = total->m_qwordWritten;
        m_arrRows.Add(row);
    }
    return m_boolWithSubitems ? m_pItem->SumWritten() : m_pItem->m_qwordWritten;
}

void CTavrelloProcessesDlg::InsertRows()
{
    HWND hList = m_listProcesses.GetHwnd();
    for (int i = 0; i < m_arrRows.GetSize(); ++i)
    {
        CQProcess* row = m_arrRows[i];
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = I_IMAGECALLBACK;
        item.lParam = reinterpret_cast<LPARAM>(row);
        row->m_intListIndex =
            static_cast<int32_t>(::SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
}

void CTavrelloProcessesDlg::SetHeadline(uint64_t written)
{
    if (m_boolGivenList)
    {
        SetDlgItemText(IDC_PROCESSES_HEADLINE, m_csHeadline.c_str());
        return;
    }
    const std::wstring name = m_pItem ? m_pItem->m_csName.str() : std::wstring();
    const std::wstring size = FormatSize(written);
    const wchar_t* format = m_boolWithSubitems ? L"Item: %ls and its subitems, data written: %ls"
                                               : L"Item name: %ls , data written: %ls";
    // Room for any name: the text is the format, the name and the size.
    std::vector<wchar_t> text(wcslen(format) + name.size() + size.size() + 1);
    std::swprintf(text.data(), text.size(), format, name.c_str(), size.c_str());
    SetDlgItemText(IDC_PROCESSES_HEADLINE, text.data());
}
