// The program log: text lines kept in memory for the life of the process, shown by the log viewer.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "app/CriticalSection.h"

// Any thread may add lines. The viewer's list box belongs to the user-interface thread: lines from
// that thread go into it directly, lines from other threads wait in a queue that the box drains when a
// posted message reaches it, so no thread ever waits on the user-interface thread while it holds the lock.
class CQLog
{
public:
    CQLog();
    // Detaches a viewer still linked (which must then happen on the viewer's thread) and stops being the
    // program log.
    ~CQLog();
    CQLog(const CQLog&) = delete;
    CQLog& operator=(const CQLog&) = delete;

    // Creates the lock (the constructor already does; a second call does nothing).
    void InitLock();

    // Stores the text exactly as given (never used as a format) and shows it, stamped, in an open viewer.
    void AddLine(const std::wstring& text);
    void AddLine(const wchar_t* text);

    // Links the viewer's list box (an unsorted box with strings) and fills it with every stored line,
    // unstamped. Must run on the thread that owns the box; a null box detaches.
    void AttachViewer(HWND listBox);
    // Forgets the viewer and the lines still waiting for it; called by the viewer when its window is
    // destroyed, on the thread that attached it.
    void DetachViewer();

    HWND GetViewer() const;
    size_t GetLineCount() const;
    std::vector<std::wstring> GetLines() const;

    // "%Y.%m.%d %H:%M:%S" in local time, or empty when the time cannot be formatted.
    static std::wstring FormatTimeStamp();

private:
    static LRESULT CALLBACK ViewerSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR refData);
    // Moves the waiting live lines into the list box; user-interface thread, lock held.
    void DrainPendingLocked();
    void DetachLocked();
    void OnViewerDestroyed(HWND hwnd);

    std::vector<std::wstring> m_arrLines;
    mutable CQCriticalSection m_lock;
    HWND m_hViewer = nullptr;
    DWORD m_dwordViewerThread = 0;
    // Stamped lines added on other threads, oldest first, not yet in the list box.
    std::deque<std::wstring> m_arrPending;
    BOOL m_boolDrainPosted = 0;
};

// The process-wide program log; null until the application context sets it. Not owned.
void SetProgramLog(CQLog* log);
CQLog* GetProgramLog();

// Adds a line to the program log when there is one.
void LogLine(const std::wstring& text);
void LogLine(const wchar_t* text);
