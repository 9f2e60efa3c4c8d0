#include "app/Log.h"

#include <commctrl.h>

#include <atomic>
#include <ctime>
#include <cwchar>

namespace
{
std::atomic<CQLog*> g_pProgramLog{nullptr};

const UINT_PTR kViewerSubclassId = 0x4C4F47; // "LOG"

// The private message that asks the viewer's list box to take the waiting lines; carries nothing.
UINT DrainMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Orvek software Tavrello Log Drain");
    return message;
}
} // namespace

CQLog::CQLog()
{
    m_lock.Init();
}

CQLog::~CQLog()
{
    CQLog* self = this;
    g_pProgramLog.compare_exchange_strong(self, nullptr);
    {
        CQLock guard(m_lock);
        DetachLocked();
    }
    m_lock.Delete();
}

void CQLog::InitLock()
{
    m_lock.Init();
}

void CQLog::AddLine(const wchar_t* text)
{
    AddLine(std::wstring(text ? text : L""));
}

void CQLog::AddLine(const std::wstring& text)
{
    CQLock guard(m_lock);
    m_arrLines.push_back(text);
    if (!m_hViewer)
        return;
    std::wstring line = FormatTimeStamp() + L" " + text;
    if (GetCurrentThreadId() == m_dwordViewerThread)
    {
        // Lines queued by other threads came first.
        DrainPendingLocked();
        SendMessageW(m_hViewer, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        return;
    }
    m_arrPending.push_back(std::move(line));
    // One message drains every line queued before it arrives; a failed post is retried by the next line.
    if (!m_boolDrainPosted)
        m_boolDrainPosted = PostMessageW(m_hViewer, DrainMessage(), 0, 0) ? 1 : 0;
}

void CQLog::AttachViewer(HWND listBox)
{
    CQLock guard(m_lock);
    DetachLocked();
    if (!listBox)
        return;
    SetWindowSubclass(listBox, ViewerSubclassProc, kViewerSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(listBox, WM_SETREDRAW, FALSE, 0);
    // By index and up to the current end: a window procedure that logs while the box fills adds to
    // the snapshot instead of invalidating it.
    for (size_t i = 0; i < m_arrLines.size(); ++i)
    {
        std::wstring line = m_arrLines[i];
        SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SendMessageW(listBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox, nullptr, TRUE);
    m_hViewer = listBox;
    m_dwordViewerThread = GetCurrentThreadId();
}

void CQLog::DetachViewer()
{
    CQLock guard(m_lock);
    DetachLocked();
}

void CQLog::DetachLocked()
{
    if (m_hViewer && GetCurrentThreadId() == m_dwordViewerThread)
        RemoveWindowSubclass(m_hViewer, ViewerSubclassProc, kViewerSubclassId);
    m_hViewer = nullptr;
    m_dwordViewerThread = 0;
    m_arrPending.clear();
    m_boolDrainPosted = 0;
}

HWND CQLog::GetViewer() const
{
    CQLock guard(m_lock);
    return m_hViewer;
}

size_t CQLog::GetLineCount() const
{
    CQLock guard(m_lock);
    return m_arrLines.size();
}

std::vector<std::wstring> CQLog::GetLines() const
{
    CQLock guard(m_lock);
    return m_arrLines;
}

void CQLog::DrainPendingLocked()
{
    m_boolDrainPosted = 0;
    // Taken one at a time: a window procedure that logs while a line is being added finds the rest
    // still queued and keeps the order.
    while (!m_arrPending.empty() && m_hViewer)
    {
        std::wstring line = std::move(m_arrPending.front());
        m_arrPending.pop_front();
        SendMessageW(m_hViewer, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

void CQLog::OnViewerDestroyed(HWND hwnd)
{
    CQLock guard(m_lock);
    if (m_hViewer == hwnd)
        DetachLocked();
    else
        RemoveWindowSubclass(hwnd, ViewerSubclassProc, kViewerSubclassId);
}

LRESULT CALLBACK CQLog::ViewerSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR refData)
{
    CQLog* log = reinterpret_cast<CQLog*>(refData);
    if (message == DrainMessage() && message != 0)
    {
        CQLock guard(log->m_lock);
        if (log->m_hViewer == hwnd)
            log->DrainPendingLocked();
        return 0;
    }
    if (message == WM_NCDESTROY)
        log->OnViewerDestroyed(hwnd); // a viewer that did not detach leaves no link to a dead window
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::wstring CQLog::FormatTimeStamp()
{
    wchar_t stamp[128];
    stamp[0] = 0;
    time_t now = time(nullptr);
    struct tm local = {};
    if (localtime_s(&local, &now) == 0 && wcsftime(stamp, 128, L"%Y.%m.%d %H:%M:%S", &local) == 0)
        stamp[0] = 0;
    return stamp;
}

void SetProgramLog(CQLog* log)
{
    g_pProgramLog.store(log);
}

CQLog* GetProgramLog()
{
    return g_pProgramLog.load();
}

void LogLine(const std::wstring& text)
{
    if (CQLog* log = g_pProgramLog.load())
        log->AddLine(text);
}

void LogLine(const wchar_t* text)
{
    if (CQLog* log = g_pProgramLog.load())
        log->AddLine(text);
}
