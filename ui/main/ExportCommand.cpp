#include "ui/main/ExportCommand.h"

#include <cwchar>
#include <vector>

#include "app/MessageBoxHook.h"
#include "data/Error.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"

BOOL(WINAPI* CQExportCommand::s_pfnGetSaveFileName)(LPOPENFILENAMEW) = ::GetSaveFileNameW;

namespace
{
constexpr wchar_t kCaption[] = L"Tavrello";
// Pairs of a description and a pattern, ending with an empty pair.
constexpr wchar_t kFilter[] = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
// Room for any path the dialog can return.
constexpr size_t kPathRoom = 32768;
} // namespace

std::wstring CQExportCommand::DefaultFileName(const SYSTEMTIME& date)
{
    wchar_t name[64];
    std::swprintf(name, 64, L"Tavrello %04u-%02u-%02u.csv", date.wYear, date.wMonth, date.wDay);
    return name;
}

void CQExportCommand::Begin(HWND owner, CQMonitor& monitor)
{
    if (m_job.IsActive())
        return;
    SYSTEMTIME today = {};
    ::GetLocalTime(&today);
    std::vector<wchar_t> file(kPathRoom, L'\0');
    const std::wstring name = DefaultFileName(today);
    name.copy(file.data(), name.size());

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   OFN_NOCHANGEDIR | OFN_NOREADONLYRETURN;
    {
        CQShowRequestFilterScope filter;
        if (!s_pfnGetSaveFileName(&dialog))
            return;
    }

    CQExportSource source;
    source.m_pLock = &monitor.m_lockData;
    source.m_pRoot = &monitor.m_root;
    source.m_pProcesses = &monitor.m_arrProcesses;
    m_job.Start(source, file.data());
}

void CQExportCommand::Cancel()
{
    if (m_job.IsActive())
        m_job.RequestStop();
}

bool CQExportCommand::GetStatusText(uint64_t items, bool clearing, std::wstring& text) const
{
    if (m_job.IsActive())
    {
        if (m_job.IsStopRequested())
        {
            text = L"Cancelling the export...";
            return true;
        }
        const uint64_t rows = m_job.GetRows();
        // The count of items can lag behind or be off after a damaged file: the figure stays below 100.
        uint64_t percent = items != 0 ? rows * 100 / items : 0;
        if (percent > 99)
            percent = 99;
        text = (clearing ? L"Clearing after the export... " : L"Exporting collected data... ") +
               std::to_wstring(percent) + L"%";
        return true;
    }
    if (m_intOutcomePolls <= 0)
        return false;
    text = m_csOutcome;
    return true;
}

void CQExportCommand::Poll(HWND owner)
{
    if (m_intOutcomePolls > 0)
        --m_intOutcomePolls;
    if (!m_job.HasEnded())
        return;
    const std::wstring path = m_job.GetPath();
    Report(owner, m_job.TakeResult(), path);
}

void CQExportCommand::Stop()
{
    m_job.Stop();
}

void CQExportCommand::Report(HWND owner, const CQExportResult& result, const std::wstring& path)
{
    m_intOutcomePolls = 0;
    if (result.m_outcome == CQExportResult::written)
    {
        const size_t slash = path.find_last_of(L"\\/");
        m_csOutcome = L"Exported to '" + (slash == std::wstring::npos ? path : path.substr(slash + 1)) + L"'";
        m_intOutcomePolls = kOutcomePolls;
        return;
    }
    if (result.m_outcome == CQExportResult::stopped)
    {
        m_csOutcome = L"Export cancelled";
        m_intOutcomePolls = kOutcomePolls;
        return;
    }
    std::wstring text = L"Can't export the collected data to the file '" + path + L"'.";
    const std::wstring reason = CQError::SystemText(result.m_dwordError);
    if (!reason.empty())
        text += L"\n\n" + reason;
    ShowMessageBox(owner, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
}
