// The real monitor, both worker threads and the main window with its files tree, all in this process,
// driven hard for a while: the stand-in feeds full replies (repeat lines) mixing seen and new paths,
// "Clear Collected Data" runs every 200 ms, the processes dialog opens and closes, rows expand, collapse
// and sort, Start/Stop toggles, and the log viewer stays open throughout. A watcher thread asks every
// window for an answer all the while. Afterwards every item's bytes with subitems must equal its own bytes
// plus its children's, and after a last Clear and a quiet feed the totals must equal the sum over the
// items. TAVRELLO_STRESS_SECONDS sets the length of the run (10 s by default; 60 for the full run). The run
// has "Auto expand folders" on, the heavier case for the tree view; TAVRELLO_STRESS_AUTO_EXPAND=0 turns it
// off.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "data/TreeItem.h"
#include "engine/Counters.h"
#include "resources/resource.h"
#include "support/MessageBoxRecorder.h"
#include "support/ScopedAppContext.h"
#include "support/StandinFeed.h"
#include "support/StandinService.h"
#include "support/TempFolder.h"
#include "support/WindowQueries.h"
#include "support/WrimonRecords.h"
#include "hardening/StressLoad.h"
#include "ui/main/TavrelloDlg.h"

namespace
{
constexpr UINT kTickMs = 50;
constexpr int kQuietWrites = 40;

bool StressAutoExpand()
{
    wchar_t value[4] = L"";
    return !(GetEnvironmentVariableW(L"TAVRELLO_STRESS_AUTO_EXPAND", value, 4) == 1 && value[0] == L'0');
}

// The longest stretch between two messages that the user-interface thread took, and the message that
// came before it (what kept the thread busy), watched through a message hook.
ULONGLONG g_lastMessageTick = 0;
ULONGLONG g_longestPause = 0;
MSG g_previousMessage = {};
MSG g_beforeLongestPause = {};

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && wParam == PM_REMOVE && lParam != 0)
    {
        const ULONGLONG now = GetTickCount64();
        if (g_lastMessageTick != 0 && now - g_lastMessageTick > g_longestPause)
        {
            g_longestPause = now - g_lastMessageTick;
            g_beforeLongestPause = g_previousMessage;
        }
        g_lastMessageTick = now;
        g_previousMessage = *reinterpret_cast<const MSG*>(lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int StressSeconds()
{
    wchar_t value[16] = L"";
    if (GetEnvironmentVariableW(L"TAVRELLO_STRESS_SECONDS", value, 16) == 0)
        return 10;
    const int seconds = _wtoi(value);
    return seconds > 0 ? seconds : 10;
}

struct OwnedDialogSearch
{
    HWND owner;
    int controlId;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND hwnd, LPARAM lParam)
{
    OwnedDialogSearch* search = reinterpret_cast<OwnedDialogSearch*>(lParam);
    if (GetWindow(hwnd, GW_OWNER) == search->owner && GetDlgItem(hwnd, search->controlId) != nullptr)
    {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A dialog of this thread owned by the main window and holding a control of the id.
HWND OwnedDialog(HWND owner, int controlId)
{
    OwnedDialogSearch search = {owner, controlId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What the run did, for the report and the checks.
struct StressReport
{
    int clears = 0;
    int processesDialogs = 0;
    int expands = 0;
    int collapses = 0;
    int toggles = 0;
    int sortChanges = 0;
    int treeChecks = 0;
    uint64_t wrongSums = 0;
    uint64_t processed = 0; // operations counted before each clear and at the end
    bool logViewerOpened = false;
    bool quietDone = false;
    TreeCheck quiet;
    CQStatisticsBlock quietStats = {};
};

// The script, run by a thread timer: it fires inside every modal loop, so it goes on while the log
// viewer and the processes dialog run theirs.
class StressDriver
{
public:
    StressDriver(CQAppContext& context, Feeder& feeder, Watcher& watcher, DWORD seconds)
        : m_context(context), m_feeder(feeder), m_watcher(watcher), m_runMs(seconds * 1000ULL)
    {
    }

    static StressDriver* s_pActive;
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (s_pActive != nullptr)
            s_pActive->Tick();
    }

    StressReport m_report;
    bool m_finished = false;
    // The last phase never came to its end within this long after the run.
    bool m_gaveUp = false;

private:
    enum class Phase
    {
        Starting,
        Running,
        Draining,
        Quiet,
        Closing,
    };

    HWND Main() const
    {
        return m_context.m_pFilesTree ? GetParent(m_context.m_pFilesTree->GetHwnd()) : nullptr;
    }
    CQMonitor& Monitor() { return m_context.m_monitor; }

    void PostCommand(UINT id, UINT code = 0, HWND control = nullptr)
    {
        PostMessageW(Main(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }

    void Clear()
    {
        m_report.processed += CounterLoad(Monitor().m_stats.m_qwordOperations);
        ++m_report.clears;
        PostCommand(ID_MENU_CLEAR_DATA);
    }

    void WorkTheTree()
    {
        HWND tree = GetDlgItem(Main(), IDC_FILES_TREE);
        HTREEITEM row = TreeView_GetRoot(tree);
        for (int steps = static_cast<int>(m_ticks % 23); steps > 0 && row != nullptr; --steps)
        {
            HTREEITEM next = TreeView_GetNextVisible(tree, row);
            if (next == nullptr)
                break;
            row = next;
        }
        if (row == nullptr)
            return;
        TreeView_SelectItem(tree, row);
        const bool expand = m_ticks % 3 != 0;
        SendMessageW(tree, WM_KEYDOWN, expand ? VK_RIGHT : VK_LEFT, 0);
        SendMessageW(tree, WM_KEYUP, expand ? VK_RIGHT : VK_LEFT, 0);
        ++(expand ? m_report.expands : m_report.collapses);
    }

    void CheckTreeNow()
    {
        CQLock lock(Monitor().m_lockData);
        m_report.wrongSums += CheckTree(Monitor().m_root).wrongSums;
        ++m_report.treeChecks;
    }

    void Tick()
    {
        ++m_ticks;
        const ULONGLONG now = GetTickCount64();
        HWND main = Main();
        if (main == nullptr)
            return;
        switch (m_phase)
        {
        case Phase::Starting:
            m_started = now;
            m_watcher.Start(main);
            m_feeder.Start();
            PostCommand(ID_MENU_SHOW_LOG);
            m_phase = Phase::Running;
            return;

        case Phase::Running:
        {
            if (!m_report.logViewerOpened)
            {
                if (HWND viewer = OwnedDialog(main, IDC_LOG_LIST))
                {
                    m_report.logViewerOpened = true;
                    m_watcher.Watch(viewer);
                }
            }
            if (m_ticks % (200 / kTickMs) == 0)
                Clear();
            if (m_ticks % 14 == 0)
            {
                PostCommand(IDC_PROCESSES, BN_CLICKED, GetDlgItem(main, IDC_PROCESSES));
                ++m_report.processesDialogs;
            }
            if (m_ticks % 14 == 6)
            {
                if (HWND processes = OwnedDialog(main, IDC_PROCESSES_LIST))
                    PostMessageW(processes, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            if (m_ticks % 30 == 15)
                PostCommand(IDC_START, BN_CLICKED, GetDlgItem(main, IDC_START)), ++m_report.toggles;
            if (m_ticks % 40 == 20)
            {
                BOOL& sort = m_context.m_settingsInterface.m_boolSortTreeByWriteSize;
                sort = !sort;
                ++m_report.sortChanges;
            }
            WorkTheTree();
            if (m_ticks % 40 == 0)
                CheckTreeNow();
            if (now - m_started >= m_runMs)
            {
                m_feeder.Stop();
                m_feeder.NextFile();
                m_phase = Phase::Draining;
                m_phaseStarted = now;
                m_quietSince = 0;
            }
            return;
        }

        case Phase::Draining:
            // A processes dialog still on its way goes; monitoring must be on for the quiet feed (a toggle
            // posted by the last tick of the run has been handled by now).
            if (HWND processes = OwnedDialog(main, IDC_PROCESSES_LIST))
            {
                PostMessageW(processes, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                m_quietSince = 0;
            }
            else if (!CounterLoad(Monitor().m_boolRunning))
            {
                PostCommand(IDC_START, BN_CLICKED, GetDlgItem(main, IDC_START));
                m_quietSince = 0;
            }
            // Until nothing has waited for a second: then the last Clear and the quiet feed.
            else if (Monitor().GetPendingRecords() != 0)
                m_quietSince = 0;
            else if (m_quietSince == 0)
                m_quietSince = now;
            else if (now - m_quietSince >= 1000)
            {
                Clear();
                std::vector<BYTE> reply;
                for (int i = 0; i < kQuietWrites; ++i)
                {
                    wrimon_test::RecordFields fields;
                    fields.name = DevicePathOfC(L"\\stress\\quiet\\q" + std::to_wstring(i % 7) + L"\\file" +
                                                std::to_wstring(i) + L".txt");
                    fields.processId = GetCurrentProcessId();
                    fields.writeLength = static_cast<uint32_t>(1000 * i + 1);
                    wrimon_test::Append(reply, wrimon_test::MakeRecord(fields));
                }
                // After the Clear has been handled, which the posted command ahead of it makes sure of.
                m_quietReply = RawFeedLine(reply);
                m_phase = Phase::Quiet;
                m_phaseStarted = now;
                m_quietFed = false;
            }
            if (now - m_phaseStarted > 60000)
                GiveUp();
            return;

        case Phase::Quiet:
            if (!m_quietFed)
            {
                AppendToFile(m_feeder.Path(), m_quietReply);
                m_quietFed = true;
                return;
            }
            if (CounterLoad(Monitor().m_stats.m_qwordOperations) >= kQuietWrites &&
                Monitor().GetPendingRecords() == 0)
            {
                {
                    CQLock lock(Monitor().m_lockData);
                    m_report.quiet = CheckTree(Monitor().m_root);
                    m_report.quietStats = Monitor().m_stats;
                }
                m_report.wrongSums += m_report.quiet.wrongSums;
                m_report.processed += m_report.quietStats.m_qwordOperations;
                m_report.quietDone = true;
                m_phase = Phase::Closing;
            }
            else if (now - m_phaseStarted > 60000)
                GiveUp();
            return;

        case Phase::Closing:
            if (HWND viewer = OwnedDialog(main, IDC_LOG_LIST))
            {
                PostMessageW(viewer, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            m_watcher.Stop();
            m_finished = true;
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_CLOSE, 0), 0);
            s_pActive = nullptr;
            return;
        }
    }

    void GiveUp()
    {
        m_gaveUp = true;
        m_phase = Phase::Closing;
    }

    CQAppContext& m_context;
    Feeder& m_feeder;
    Watcher& m_watcher;
    ULONGLONG m_runMs;
    Phase m_phase = Phase::Starting;
    uint64_t m_ticks = 0;
    ULONGLONG m_started = 0;
    ULONGLONG m_phaseStarted = 0;
    ULONGLONG m_quietSince = 0;
    std::string m_quietReply;
    bool m_quietFed = false;
};

StressDriver* StressDriver::s_pActive = nullptr;

TEST(StressRun, MonitorThreadsAndWindowsStayConsistentUnderLoad)
{
    if (!standin_test::StandinsPresent())
        GTEST_SKIP() << "the Wine stand-ins of fltlib.dll and wrimon.sys are not built";
    if (!CanCreateWindows())
        GTEST_SKIP() << "no windows can be created here (no display?)";
    ASSERT_TRUE(standin_test::DeleteWrimonService());
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);
    const int seconds = StressSeconds();

    ScopedAppContext scoped;
    CQAppContext& context = scoped.Context();
    TempFolder folder;
    context.m_settingsRunTime.m_csDataFolder = folder.Path();
    context.m_settingsInterface.m_csSelectedDrives = L"C:";
    context.m_settingsInterface.m_boolAutostartSession = 1;
    context.m_settingsInterface.m_boolAutoExpandFolders = StressAutoExpand() ? 1 : 0;
    MessageBoxRecorder answers(IDYES);

    Feeder feeder(context.m_monitor, folder);
    Watcher watcher;
    StressDriver driver(context, feeder, watcher, static_cast<DWORD>(seconds));
    StressDriver::s_pActive = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, StressDriver::OnTick);
    ASSERT_NE(0u, timer);
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, WatchMessages, nullptr, GetCurrentThreadId());
    CTavrelloDlg dialog(nullptr);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    StressDriver::s_pActive = nullptr;
    feeder.Stop();
    watcher.Stop();
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", nullptr);

    const StressReport& r = driver.m_report;
    printf("[ stress ] %d s: %llu records fed, %llu processed; %d clears, %d processes dialogs, %d expands, "
           "%d collapses, %d Start/Stop, %d sort changes, %d tree checks, %d of %d questions to the windows "
           "unanswered within %u ms\n",
           seconds, static_cast<unsigned long long>(feeder.RecordsFed()),
           static_cast<unsigned long long>(r.processed), r.clears, r.processesDialogs, r.expands, r.collapses,
           r.toggles, r.sortChanges, r.treeChecks, watcher.Unanswered(), watcher.Asked(), kAnswerLimitMs);
    wchar_t pausedBy[64] = L"";
    GetClassNameW(g_beforeLongestPause.hwnd, pausedBy, 64);
    printf(
        "[ stress ] auto expand %s; the user-interface thread's longest pause between two messages: %llu ms, "
        "after message 0x%x (wParam 0x%llx) of a window of class \"%ls\"\n",
        StressAutoExpand() ? "on" : "off", static_cast<unsigned long long>(g_longestPause),
        g_beforeLongestPause.message, static_cast<unsigned long long>(g_beforeLongestPause.wParam), pausedBy);
    RecordProperty("records_processed", std::to_string(r.processed));

    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(driver.m_finished);
    EXPECT_FALSE(driver.m_gaveUp) << "the queue never ran dry, or the quiet writes were not counted";
    EXPECT_TRUE(r.logViewerOpened);
    EXPECT_EQ(0, watcher.Unanswered());
    EXPECT_GT(watcher.Asked(), 0);
    EXPECT_EQ(0u, r.wrongSums) << "items whose bytes with subitems are not their own plus their children's";
    EXPECT_GT(r.clears, 1);
    EXPECT_GT(r.processed, static_cast<uint64_t>(kQuietWrites)) << "records went through during the run";
    ASSERT_TRUE(r.quietDone);
    EXPECT_EQ(static_cast<uint64_t>(kQuietWrites), r.quietStats.m_qwordOperations);
    EXPECT_EQ(r.quiet.written, r.quietStats.m_qwordWritten);
    EXPECT_EQ(r.quiet.aligned, r.quietStats.m_qwordWrittenAligned);
    EXPECT_EQ(r.quiet.items, r.quietStats.m_qwordFiles);
    EXPECT_EQ(0, standin_test::WrimonServiceState()) << "the clean-up removed the service";
}
} // namespace
