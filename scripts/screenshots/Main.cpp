// The screenshot driver, run by scripts/screenshots.sh under Wine: starts tavrello.exe beside it with the
// driver stand-in's demo workload, waits until the figures and the files tree show data, opens every
// window of the table in turn, has the script capture it, closes it again, and ends the program through
// its tray menu's Close command.
//
//   screenshots.exe [--settle SECONDS] [FILE...]   (FILE: names of the table, with or without ".png")
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Capture.h"
#include "Shots.h"
#include "main/TavrelloProgram.h"
#include "resources/resource.h"
#include "ui/controls/Dialog.h"

namespace
{
// Starting the program under Wine on a loaded machine takes a while.
constexpr DWORD kStartLimitMs = 90000;
constexpr DWORD kDataLimitMs = 120000;
constexpr DWORD kWindowLimitMs = 20000;
constexpr DWORD kExitLimitMs = 60000;
// Wine flushes a window's drawing to the X server a moment after it was painted.
constexpr DWORD kPaintMs = 1000;
constexpr int kDefaultSettleSeconds = 30;
constexpr int kDesktopMargin = 16;

// Where the right click on the (invisible) tray icon happens: towards the lower right, where a
// taskbar's tray would be, with room for the menu below it.
void MoveMouseToTray()
{
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) * 3 / 4, ::GetSystemMetrics(SM_CYSCREEN) * 3 / 4);
}

// The mouse waits in the lower right corner, away from every window, so that nothing shows as hovered.
void MoveMouseAway()
{
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

struct Options
{
    int settleSeconds = kDefaultSettleSeconds;
    std::vector<std::string> only;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--settle" && i + 1 < argc)
            options.settleSeconds = std::atoi(argv[++i]);
        else if (!arg.empty() && arg[0] == '-')
            return false;
        else
            options.only.push_back(
                arg.size() > 4 && arg.compare(arg.size() - 4, 4, ".png") == 0 ? arg : arg + ".png");
    }
    return options.settleSeconds >= 0;
}

bool Wanted(const Options& options, const Shot& shot)
{
    if (options.only.empty())
        return true;
    for (const std::string& name : options.only)
        if (name == shot.file)
            return true;
    return false;
}

std::string Narrow(const std::wstring& text)
{
    std::string result;
    for (wchar_t c : text)
        result.push_back(c < 128 ? static_cast<char>(c) : '?');
    return result;
}

LRESULT SendWithin(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

int TreeRows(const TavrelloProgram& program)
{
    return static_cast<int>(SendWithin(program.Item(IDC_FILES_TREE), TVM_GETCOUNT, 0, 0));
}

// Data is there when something was written and the tree shows a drive.
bool WaitForData(const TavrelloProgram& program)
{
    return WaitFor(
        [&]
        {
            const std::wstring written = program.Text(IDC_TOTAL_WRITES);
            return !written.empty() && written != L"0.00 b" && TreeRows(program) > 0;
        },
        kDataLimitMs);
}

HTREEITEM NextRow(HWND hTree, HTREEITEM row, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        SendWithin(hTree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(row)));
}

// As a user would open it: the first drive and the folders right below it expanded, scrolled to the top.
void ExpandFirstDrive(const TavrelloProgram& program)
{
    HWND hTree = program.Item(IDC_FILES_TREE);
    HTREEITEM drive = NextRow(hTree, nullptr, TVGN_ROOT);
    if (!drive)
        return;
    SendWithin(hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(drive));
    for (HTREEITEM row = NextRow(hTree, drive, TVGN_CHILD); row; row = NextRow(hTree, row, TVGN_NEXT))
        SendWithin(hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(row));
    SendWithin(hTree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(drive));
}

HWND WaitForShotWindow(const TavrelloProgram& program, const Shot& shot)
{
    if (shot.opener.kind == ShotOpener::kNone)
        return program.MainWindow();
    if (shot.title == kPopupMenu)
        return program.WaitForWindow(
            L"#32768", [](HWND) { return true; }, kWindowLimitMs);
    const std::wstring title = shot.title;
    return program.WaitForWindow(
        shot.className, [&](HWND hwnd) { return WindowText(hwnd) == title; }, kWindowLimitMs);
}

void Open(const TavrelloProgram& program, const Shot& shot)
{
    HWND hMain = program.MainWindow();
    switch (shot.opener.kind)
    {
    case ShotOpener::kNone:
        break;
    case ShotOpener::kButton:
        program.Click(static_cast<int>(shot.opener.id));
        break;
    case ShotOpener::kCommand:
        ::PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(shot.opener.id, 0), 0);
        break;
    case ShotOpener::kTrayIcon:
        // The program opens the tray menu where the mouse is, as the shell reports the click.
        MoveMouseToTray();
        ::PostMessageW(hMain, QM_TRAYNOTIFY, kTrayIconId, shot.opener.id);
        break;
    }
}

// Closes what Open brought up and waits until it has gone.
bool Close(const TavrelloProgram& program, const Shot& shot, HWND hwnd)
{
    if (shot.opener.kind == ShotOpener::kNone)
        return true;
    if (shot.title == kPopupMenu)
        program.PostKey(hwnd, VK_ESCAPE);
    else
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return WaitFor([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }, kWindowLimitMs);
}

enum class ShotResult
{
    kTaken,
    kFailed,
    kStuck, // the window stayed open: the shots after it would not see the main window alone
};

ShotResult TakeShot(const TavrelloProgram& program, const Shot& shot)
{
    MoveMouseAway();
    Open(program, shot);
    HWND hwnd = WaitForShotWindow(program, shot);
    if (!hwnd)
    {
        std::fprintf(stderr, "screenshots: %s: the window did not show\n", shot.file);
        return ShotResult::kFailed;
    }
    MoveMouseAway();
    ::Sleep(kPaintMs);
    // Answered only once the window's thread is free again, so its painting is done.
    SendWithin(hwnd, WM_NULL, 0, 0);

    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    if (shot.frame == ShotFrame::kWithMainWindow)
    {
        RECT main = {};
        ::GetWindowRect(program.MainWindow(), &main);
        ::UnionRect(&rect, &rect, &main);
    }
    else if (shot.frame == ShotFrame::kOnDesktop)
    {
        ::InflateRect(&rect, kDesktopMargin, kDesktopMargin);
    }
    std::string error;
    const bool captured = RequestCapture(shot.file, rect, error);
    if (captured)
        Report("%s: %ld x %ld", shot.file, rect.right - rect.left, rect.bottom - rect.top);
    else
        std::fprintf(stderr, "screenshots: %s: %s\n", shot.file, error.c_str());
    if (!Close(program, shot, hwnd))
    {
        std::fprintf(stderr, "screenshots: %s: the window did not close\n", shot.file);
        return ShotResult::kStuck;
    }
    return captured ? ShotResult::kTaken : ShotResult::kFailed;
}

int Run(const Options& options)
{
    TavrelloProgram program;
    program.SetEnvironment(L"WRIMON_STANDIN_DEMO", L"1");
    program.SetWorkingFolder(TavrelloProgram::BinFolder());
    std::wstring error;
    if (!program.Start(&error))
    {
        std::fprintf(stderr, "screenshots: %s\n", Narrow(error).c_str());
        return 1;
    }
    if (!program.WaitForMainWindow(kStartLimitMs) || !program.WaitForFirstRefresh(kStartLimitMs))
    {
        std::fprintf(stderr, "screenshots: the main window of Tavrello did not show\n");
        return 1;
    }
    // Monitoring is off after start-up, as a user finds it: the Start button turns it on.
    program.Click(IDC_START);
    if (!program.WaitForText(
            IDC_STATUS, [](const std::wstring& text) { return text == L"Monitoring in progress..."; },
            kWindowLimitMs))
    {
        std::fprintf(stderr, "screenshots: monitoring did not start: status \"%s\"\n",
                     Narrow(program.Text(IDC_STATUS)).c_str());
        return 1;
    }
    Report("Tavrello monitors; waiting for the demo workload's first writes");
    if (!WaitForData(program))
    {
        std::fprintf(stderr,
                     "screenshots: no data showed within %lu s: total writes \"%s\", %d tree rows, "
                     "status \"%s\"\n",
                     kDataLimitMs / 1000, Narrow(program.Text(IDC_TOTAL_WRITES)).c_str(), TreeRows(program),
                     Narrow(program.Text(IDC_STATUS)).c_str());
        return 1;
    }
    Report("data shows; letting the demo run %d s more", options.settleSeconds);
    ::Sleep(static_cast<DWORD>(options.settleSeconds) * 1000);
    ExpandFirstDrive(program);

    int failed = 0;
    for (int i = 0; i < kShotCount; ++i)
    {
        if (!Wanted(options, kShots[i]))
            continue;
        const ShotResult result = TakeShot(program, kShots[i]);
        if (result == ShotResult::kStuck)
            return 1; // the program is ended by TavrelloProgram's destructor
        if (result == ShotResult::kFailed)
            ++failed;
    }

    ::PostMessageW(program.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_TRAY_CLOSE, 0), 0);
    const std::optional<DWORD> code = program.WaitForExit(kExitLimitMs);
    if (!code)
    {
        std::fprintf(stderr, "screenshots: Tavrello did not end after its Close command\n");
        return 1;
    }
    if (*code != 0)
    {
        std::fprintf(stderr, "screenshots: Tavrello ended with exit code %lu\n", *code);
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr, "usage: screenshots.exe [--settle SECONDS] [FILE...]\n");
        return 2;
    }
    for (const std::string& name : options.only)
    {
        bool known = false;
        for (int i = 0; i < kShotCount; ++i)
            known = known || name == kShots[i].file;
        if (!known)
        {
            std::fprintf(stderr, "screenshots: no window '%s' in the table\n", name.c_str());
            return 2;
        }
    }
    return Run(options);
}
