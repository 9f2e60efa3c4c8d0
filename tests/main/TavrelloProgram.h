// The real tavrello.exe, started beside the test program and driven from outside through its windows:
// clicks and keys are posted, texts read with WM_GETTEXT, rectangles taken from the window manager.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "support/WindowQueries.h"

class TavrelloProgram
{
public:
    TavrelloProgram() = default;
    // Ends the process if it still runs.
    ~TavrelloProgram();
    TavrelloProgram(const TavrelloProgram&) = delete;
    TavrelloProgram& operator=(const TavrelloProgram&) = delete;

    // The folder of the running test program (where tavrello.exe and wrimon.sys are built).
    static std::wstring BinFolder();
    static std::wstring ExePath() { return BinFolder() + L"\\tavrello.exe"; }
    // Whether the driver stand-in is part of this build.
    static bool HasDriverStandIn();

    // The child's environment: the test's own, without the stand-in's variables, plus these.
    void SetEnvironment(const std::wstring& name, const std::wstring& value) { m_environment[name] = value; }
    // The child's working folder; by default the test's own.
    void SetWorkingFolder(const std::wstring& folder) { m_workingFolder = folder; }
    // The program to start instead of ExePath() (a copy elsewhere, an installed one).
    void SetExecutable(const std::wstring& path) { m_executable = path; }
    std::wstring Executable() const { return m_executable.empty() ? ExePath() : m_executable; }

    // Starts the process; false (with the error in `error`) when CreateProcessW fails.
    bool Start(std::wstring* error = nullptr);
    bool IsRunning() const;
    // Waits up to `milliseconds` for the process to end; its exit code when it did.
    std::optional<DWORD> WaitForExit(DWORD milliseconds);
    // Ends the process at once (used when a test fails halfway); waits for it to be gone.
    void Terminate();
    DWORD ProcessId() const { return m_processInfo.dwProcessId; }

    // The main window: a dialog titled "Tavrello" of this process with the files tree, shown or hidden.
    HWND WaitForMainWindow(DWORD milliseconds);
    HWND MainWindow() const { return m_hMainWindow; }
    HWND Item(int id) const;
    // The text of a control of the main window, read with WM_GETTEXT.
    std::wstring Text(int id) const;
    // Waits until `accept` likes the text of the control; true when it did before the time ran out.
    bool WaitForText(int id, const std::function<bool(const std::wstring&)>& accept,
                     DWORD milliseconds) const;
    bool WaitForTextEquals(int id, const std::wstring& expected, DWORD milliseconds) const;
    // Waits until the first refresh has written the figures (the queue line is empty before it).
    bool WaitForFirstRefresh(DWORD milliseconds) const;

    // A visible top-level window of this process of the class, other than the main window, for which
    // `accept` is true; null when none appears in time.
    HWND WaitForWindow(const wchar_t* className, const std::function<bool(HWND)>& accept,
                       DWORD milliseconds) const;
    // A dialog of the main window with the title, as WaitForWindow finds it.
    HWND WaitForDialog(const std::wstring& title, DWORD milliseconds) const;

    // Input as the program's message loop sees it: posted, so that modal loops inside a handler do not
    // block the test.
    void Click(int id) const;
    void PostKey(HWND target, UINT virtualKey) const;
    // The control with the keyboard focus in the program, or the main window when none has it.
    HWND FocusOrMainWindow() const;

private:
    std::wstring BuildEnvironmentBlock() const;

    PROCESS_INFORMATION m_processInfo = {};
    HWND m_hMainWindow = nullptr;
    std::map<std::wstring, std::wstring> m_environment;
    std::wstring m_workingFolder;
    std::wstring m_executable;
};

// Polls `done` until it is true or `milliseconds` have passed; returns its last value.
bool WaitFor(const std::function<bool()>& done, DWORD milliseconds);

// A window's class and text; the text is asked with a time limit, since the window may be another
// process's and hung.
std::wstring WindowClass(HWND hwnd);
std::wstring WindowText(HWND hwnd);
