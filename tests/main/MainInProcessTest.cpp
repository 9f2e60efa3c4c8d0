// The main window run inside the test program, with a real application context, the stand-in driver and
// a data folder of its own: what can only be seen from inside (fonts of the labels, the page Calculate
// opens, the order of the steps at exit, what the status lines say when the system's file events measure).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ShellOpen.h"
#include "engine/Counters.h"
#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "support/MessageBoxRecorder.h"
#include "support/MessagePump.h"
#include "support/ReplayEventFeed.h"
#include "support/ScopedAppContext.h"
#include "support/ScriptedDialog.h"
#include "support/TempFolder.h"
#include "support/WindowQueries.h"
#include "main/TavrelloProgram.h"
#include "ui/main/ExportCommand.h"
#include "ui/main/TavrelloDlg.h"

namespace
{
constexpr uint64_t kMiB = uint64_t(1) << 20;
const wchar_t kCleaningUp[] = L"Cleaning up...";

using MainDialog = ScriptedDialog<CTavrelloDlg>;

// What the replaced shell functions saw; plain functions cannot capture, so the records are global.
std::vector<std::wstring> g_opened;
std::vector<DWORD> g_trayCalls;
std::vector<NOTIFYICONDATAW> g_trayData;
bool g_cleanedUpBeforeTrayDelete = false;

// The file the Save As dialog answers with.
std::wstring g_exportPath;

BOOL WINAPI AnswerSaveAs(LPOPENFILENAMEW dialog)
{
    g_exportPath.copy(dialog->lpstrFile, g_exportPath.size());
    dialog->lpstrFile[g_exportPath.size()] = L'\0';
    return TRUE;
}

HINSTANCE WINAPI RecordShellOpen(HWND, LPCWSTR, LPCWSTR target, LPCWSTR, LPCWSTR, INT)
{
    g_opened.push_back(target ? target : L"");
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAW data)
{
    g_trayCalls.push_back(message);
    NOTIFYICONDATAW copy = {};
    ::CopyMemory(&copy, data, std::min<size_t>(data->cbSize, sizeof(copy)));
    g_trayData.push_back(copy);
    if (message == NIM_DELETE && g_pAppContext != nullptr)
    {
        const std::vector<std::wstring> lines = g_pAppContext->m_log.GetLines();
        g_cleanedUpBeforeTrayDelete = std::find(lines.begin(), lines.end(), kCleaningUp) != lines.end();
    }
    return TRUE;
}

int TextWidthWithOwnFont(HWND hControl)
{
    wchar_t text[128] = {};
    const int length = GetWindowTextW(hControl, text, 128);
    HDC hdc = GetDC(hControl);
    HGDIOBJ previous = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(hdc, text, length, &extent);
    SelectObject(hdc, previous);
    ReleaseDC(hControl, hdc);
    return extent.cx;
}

class MainInProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!CanCreateWindows())
            GTEST_SKIP() << "no windows can be created here (no display?)";
        SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", nullptr);
        SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);
        m_context.Context().m_settingsRunTime.m_csDataFolder = m_folder.Path();
        g_opened.clear();
        g_trayCalls.clear();
        g_trayData.clear();
        g_cleanedUpBeforeTrayDelete = false;
        m_previousShell = g_pfnShellOpen;
        m_previousTray = CQDialog::s_pfnShellNotifyIcon;
        g_pfnShellOpen = RecordShellOpen;
        CQDialog::s_pfnShellNotifyIcon = RecordNotifyIcon;
    }
    void TearDown() override
    {
        if (m_previousShell != nullptr)
            g_pfnShellOpen = m_previousShell;
        if (m_previousTray != nullptr)
            CQDialog::s_pfnShellNotifyIcon = m_previousTray;
    }

    // Saved data of ten minutes' monitoring with 3 MiB written, for the monitor's start to load.
    void SaveSomeWrites()
    {
        CQMonitor& monitor = m_context.Monitor();
        monitor.m_stats.m_qwordWritten = 3 * kMiB;
        monitor.m_stats.m_qwordWrittenAligned = 3 * kMiB;
        monitor.m_stats.m_qwordMonitoringSeconds = 600;
        ASSERT_EQ(1, monitor.SaveData());
        monitor.Clear(0);
    }

    std::vector<std::wstring> Log() { return m_context.Context().m_log.GetLines(); }

    ScopedAppContext m_context;
    TempFolder m_folder;
    ShellExecuteFn m_previousShell = nullptr;
    BOOL(WINAPI* m_previousTray)(DWORD, PNOTIFYICONDATAW) = nullptr;
};

TEST_F(MainInProcessTest, NoStatisticsLabelIsCutAtTheOpeningSize)
{
    const int labels[] = {
        IDC_TOTAL_WRITES_LABEL,     IDC_ALIGNED_WRITES_LABEL,   IDC_TOTAL_READ_LABEL,
        IDC_CAPACITY_LABEL,         IDC_WRITES_PER_DAY_LABEL,   IDC_ALIGNED_WRITES_PER_DAY_LABEL,
        IDC_WRITE_READ_RATIO_LABEL, IDC_TOTAL_OPERATIONS_LABEL, IDC_TOTAL_FILES_LABEL,
        IDC_MONITORING_TIME_LABEL,  IDC_SSD_LIFE_LABEL,
    };
    MainDialog dialog(nullptr);
    int openingWidth = 0;
    dialog.steps.push_back(
        [&](MainDialog& d)
        {
            RECT window = {};
            GetWindowRect(d.GetHwnd(), &window);
            openingWidth = window.right - window.left;
            for (int id : labels)
            {
                HWND hLabel = d.GetDlgItem(id);
                ASSERT_NE(nullptr, hLabel) << id;
                RECT client = {};
                GetClientRect(hLabel, &client);
                wchar_t text[128] = {};
                GetWindowTextW(hLabel, text, 128);
                EXPECT_GE(client.right, TextWidthWithOwnFont(hLabel))
                    << "label \"" << testing::PrintToString(std::wstring(text)) << "\" is cut";
            }
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    EXPECT_EQ(openingWidth, dialog.m_intMinTrackWidth) << "the window cannot be made narrower than it opened";
}

TEST_F(MainInProcessTest, CalculateOpensTheMeasurePageWithTheAlignedWritesPerDay)
{
    SaveSomeWrites();
    MainDialog dialog(nullptr);
    std::wstring shown;
    dialog.steps.push_back(
        [&](MainDialog& d)
        {
            // The refresh timer's tick, at once: the figure is what the panel then shows.
            SendMessageW(d.GetHwnd(), WM_TIMER, 0, 0);
            wchar_t text[64] = {};
            GetDlgItemTextW(d.GetHwnd(), IDC_ALIGNED_WRITES_PER_DAY, text, 64);
            shown = text;
            SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_CALCULATE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_CALCULATE)));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    // (3 MiB / 600 s, truncated, = 5242 bytes a second) x 86400 = 452908800 bytes.
    EXPECT_EQ(L"431.93 Mb", shown);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(std::wstring(L"https://") + TAVRELLO_WEB_HOST + L"/measure/?inref=tavrello&value=431.93&msr=Mb",
              g_opened[0]);
}

TEST_F(MainInProcessTest, AtExitTheTrayIconGoesBeforeTheCleanUpBegins)
{
    MainDialog dialog(nullptr);
    dialog.steps.push_back([](MainDialog&) {});
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    ASSERT_EQ(2u, g_trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[0]);
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), g_trayCalls[1]);
    EXPECT_FALSE(g_cleanedUpBeforeTrayDelete) << "the icon is deleted before \"Cleaning up...\"";
    const std::vector<std::wstring> lines = Log();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), kCleaningUp));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(m_folder.File(L"Monitored.Files").c_str()))
        << "the clean-up went on to save the data";
}

// Without the driver file in the current folder the monitor falls back to the system's file events, here
// a replay: the status line never says that nothing measures while they do, the status lines' tooltip
// names them with the share of writes that could not be attributed, and the end of the Windows session
// stops them at once.
TEST_F(MainInProcessTest, TheStatusLinesSayWhatMeasuresAndTheSessionEndStopsTheEvents)
{
    using namespace file_events_test;
    TempFolder empty;
    wchar_t programFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, programFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(empty.Path().c_str()));
    auto replay = std::make_shared<ReplayControl>();
    CQMonitor& monitor = m_context.Monitor();
    monitor.m_fnMakeEventFeed = [replay] { return std::make_unique<ReplayEventFeed>(replay); };
    MessageBoxRecorder boxes;
    MainDialog dialog(nullptr);
    dialog.steps.push_back(
        [&](MainDialog& d)
        {
            // The waits below pump the refresh timer a few times: a generous limit for all of them.
            ::SetTimer(d.GetHwnd(), ScriptedDialogBase::kWatchdogTimer, 60000, nullptr);
            ASSERT_TRUE(replay->WasStarted());
            HWND status = d.GetDlgItem(IDC_STATUS);
            ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED),
                           reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_START)));
            wchar_t c[MAX_PATH] = L"";
            ASSERT_NE(0u, QueryDosDeviceW(L"C:", c, MAX_PATH));
            replay->Play({KeyName(10, 8, 0x10, std::wstring(c) + L"\\seen.txt"),
                          Write(Shape(), 8, 0, 0x10, 1000), Write(Shape(), 8, 0, 0x99, 4096)});
            EXPECT_TRUE(
                PumpUntil([&] { return CounterLoad(monitor.m_stats.m_qwordOperations) == 1; }, 20000));
            EXPECT_TRUE(PumpUntil([&] { return WindowText(status) == L"Monitoring in progress..."; }, 20000))
                << WindowText(status).c_str();
            const std::wstring measuring = d.GetToolTipText(IDC_QUEUE_STATUS);
            EXPECT_EQ(0u, measuring.find(L"Measured by Windows' own file events (no Wrimon driver).\n"))
                << measuring.c_str();
            EXPECT_NE(std::wstring::npos, measuring.find(L": 50.0% (1 of 2 writes, 4.00 Kb)"))
                << measuring.c_str();
            EXPECT_EQ(measuring, std::wstring(d.GetToolTipText(IDC_STATUS)));

            ::SendMessageW(d.GetHwnd(), WM_ENDSESSION, TRUE, 0);
            EXPECT_GE(replay->Halts(), 1);
            EXPECT_TRUE(PumpUntil(
                [&] { return WindowText(status) == L"Not measuring: system file events ended"; }, 20000))
                << WindowText(status).c_str();
            EXPECT_EQ(
                0u, std::wstring(d.GetToolTipText(IDC_STATUS)).find(L"Windows' own file events have ended"));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    EXPECT_TRUE(replay->WasStopped());
    SetCurrentDirectoryW(programFolder);
    EXPECT_TRUE(boxes.Boxes().empty()) << "no message box about a missing driver while events measure";
}

TEST_F(MainInProcessTest, TheTrayIconComesBackWhenExplorerMakesANewTaskbar)
{
    // Started into the tray: the icon is the only way to the window.
    m_context.Context().m_settingsInterface.m_boolStartMinimized = 1;
    m_context.Context().m_settingsInterface.m_boolTrayIcon = 1;
    MainDialog dialog(nullptr);
    dialog.steps.push_back(
        [](MainDialog& d)
        {
            EXPECT_FALSE(IsWindowVisible(d.GetHwnd()));
            ASSERT_EQ(1u, g_trayCalls.size());
            // As Explorer announces its new taskbar: to every top-level window.
            const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
            ASSERT_NE(0u, taskbarCreated);
            SendNotifyMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    ASSERT_EQ(3u, g_trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[0]);
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[1]) << "added again on the new taskbar";
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), g_trayCalls[2]);
    EXPECT_EQ(g_trayData[0].hWnd, g_trayData[1].hWnd);
    EXPECT_EQ(g_trayData[0].uID, g_trayData[1].uID);
    EXPECT_EQ(g_trayData[0].hIcon, g_trayData[1].hIcon);
    EXPECT_EQ(g_trayData[0].uCallbackMessage, g_trayData[1].uCallbackMessage);
    EXPECT_EQ(std::wstring(L"Tavrello"), g_trayData[1].szTip);
}

TEST_F(MainInProcessTest, TheMenuCancelsARunningExportAndAClearWaitsForItWithoutFreezingTheWindow)
{
    // Saved data of more items than one slice of the export, for the monitor's start to load.
    CQMonitor& monitor = m_context.Monitor();
    for (int i = 0; i < 600; ++i)
        AddTestWrite(monitor, L"C:\\f\\" + std::to_wstring(i) + L".txt", L"app.exe", 1);
    ASSERT_EQ(1, monitor.SaveData());
    monitor.Clear(0);
    g_exportPath = m_folder.File(L"export.csv");
    const auto previousSaveAs = CQExportCommand::s_pfnGetSaveFileName;
    CQExportCommand::s_pfnGetSaveFileName = AnswerSaveAs;
    MessageBoxRecorder answers(IDYES);

    MainDialog dialog(nullptr);
    auto command = [](MainDialog& d, UINT id)
    { SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    auto status = [](MainDialog& d)
    {
        SendMessageW(d.GetHwnd(), WM_TIMER, 0, 0);
        wchar_t text[128] = {};
        GetDlgItemTextW(d.GetHwnd(), IDC_STATUS, text, 128);
        return std::wstring(text);
    };
    auto exportEntry = [](MainDialog& d)
    {
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_MENU));
        d.UpdateMenuCommands(GetSubMenu(menu, 0));
        wchar_t text[64] = {};
        GetMenuStringW(menu, ID_MENU_EXPORT_DATA, text, 64, MF_BYCOMMAND);
        DestroyMenu(menu);
        return std::wstring(text);
    };
    dialog.steps.push_back(
        [&](MainDialog& d)
        {
            ASSERT_GT(monitor.m_root.m_arrChildren.GetSize(), 0);
            EXPECT_EQ(L"Export Collected Data...", exportEntry(d));
            // The export thread waits for the data lock while this thread holds it: whatever waited for
            // the export here would never return.
            monitor.m_lockData.Enter();
            command(d, ID_MENU_EXPORT_DATA);
            EXPECT_EQ(L"Cancel Export", exportEntry(d));
            const size_t asked = answers.Boxes().size();
            command(d, ID_MENU_CLEAR_DATA);
            EXPECT_EQ(asked + 1, answers.Boxes().size()) << "the clear was asked";
            EXPECT_EQ(L"Clearing after the export... 0%", status(d));
            EXPECT_GT(monitor.m_root.m_arrChildren.GetSize(), 0) << "not cleared while the export runs";
            command(d, ID_MENU_EXPORT_DATA);
            EXPECT_EQ(L"Cancelling the export...", status(d));
            monitor.m_lockData.Leave();
            std::wstring shown;
            for (int i = 0; i < 250 && (shown = status(d)) != L"Export cancelled"; ++i)
                Sleep(20);
            EXPECT_EQ(L"Export cancelled", shown);
            EXPECT_EQ(0, monitor.m_root.m_arrChildren.GetSize()) << "cleared once the export ended";
            EXPECT_EQ(L"Export Collected Data...", exportEntry(d));
        });
    EXPECT_EQ(ScriptedDialogBase::kFinished, dialog.DoModal());
    CQExportCommand::s_pfnGetSaveFileName = previousSaveAs;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(g_exportPath.c_str())) << "no file was written";
}
} // namespace
