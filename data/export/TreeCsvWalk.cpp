#include "data/export/TreeCsvWalk.h"

#include "data/TreeItem.h"
#include "data/csv/CsvText.h"

const wchar_t CQTreeCsvWalk::kHeader[] =
    L"Path,Kind,Bytes with subitems,Bytes written,Bytes written aligned,Writer,Bytes by writer\r\n";
const wchar_t CQTreeCsvWalk::kUnknownProcess[] = L"< unknown >";

namespace
{
// The type of a folder item (CQTreeItemFolder::GetType).
constexpr DWORD kFolderType = 1;
} // namespace

CQTreeCsvWalk::CQTreeCsvWalk(const CQTreeItem& root, const CQPtrAutoArray<CQProcess>& processes)
    : m_arrProcesses(processes)
{
    m_arrStack.push_back({&root, 0, 0});
}

bool CQTreeCsvWalk::NextSlice(std::wstring& out, size_t maxRows)
{
    size_t rows = 0;
    while (!m_arrStack.empty())
    {
        Frame& frame = m_arrStack.back();
        if (frame.m_intNextChild >= frame.m_pFolder->m_arrChildren.GetSize())
        {
            m_arrStack.pop_back();
            continue;
        }
        if (rows == maxRows)
            return true;
        const CQTreeItem* child = frame.m_pFolder->m_arrChildren[frame.m_intNextChild++];
        if (!child)
            continue;
        // The same path as AppendFullPath gives: a folder's ends with a backslash.
        m_csPath.resize(frame.m_intPathLength);
        m_csPath.append(child->m_csName.c_str(), child->m_csName.length());
        const bool folder = child->GetType() == kFolderType;
        if (folder && m_csPath.size() > 1 && m_csPath.back() != L'\\')
            m_csPath += L'\\';
        const wchar_t* kind = !folder ? L"file" : (m_arrStack.size() == 1 ? L"drive" : L"folder");
        AppendRow(out, *child, kind);
        ++rows;
        // Files have no children of their own, but a damaged saved file can give them some.
        if (folder || child->m_arrChildren.GetSize() != 0)
            m_arrStack.push_back({child, 0, m_csPath.size()});
    }
    return false;
}

void CQTreeCsvWalk::AppendRow(std::wstring& out, const CQTreeItem& item, const wchar_t* kind)
{
    AppendCsvField(out, m_csPath);
    out += L',';
    out += kind;
    out += L',';
    AppendDecimal(out, item.m_qwordWrittenWithSubitems);
    out += L',';
    AppendDecimal(out, item.m_qwordWritten);
    out += L',';
    AppendDecimal(out, item.m_qwordWrittenAligned);
    AppendWriters(out, item);
    out += L"\r\n";
    ++m_qwordRows;
}

void CQTreeCsvWalk::AppendWriters(std::wstring& out, const CQTreeItem& item) const
{
    bool any = false;
    for (int i = 0; i < item.m_arrProcessLinks.GetSize(); ++i)
    {
        const CQProcessLink* link = item.m_arrProcessLinks[i];
        if (!link)
            continue;
        const uint32_t index = link->m_dwordProcessIndex;
        const CQProcess* process = index < static_cast<uint32_t>(m_arrProcesses.GetSize())
                                       ? m_arrProcesses[static_cast<int>(index)]
                                       : nullptr;
        out += L',';
        AppendCsvField(out, process ? std::wstring_view(process->m_csProcessName)
                                    : std::wstring_view(kUnknownProcess));
        out += L',';
        AppendDecimal(out, link->m_qwordWritten);
        any = true;
    }
    // Every row has at least the header's columns.
    if (!any)
        out += L",,";
}
