// Figures of the files tree view with a large collected tree: a tree of about a million items is saved,
// then opened the way the main window opens it (load, fill the view), a drive and a folder with many
// children are expanded and sorted both ways, new items arrive from a worker thread while a big folder is
// open, and the data is cleared. Prints figures only; nothing here passes or fails.
//
//   bench_treeview.exe [folders-per-level, 97] [files-in-the-big-folder, 100000]
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "data/SplitPath.h"
#include "data/TreeItemFolder.h"
#include "resources/resource.h"
#include "ui/controls/Dialog.h"
#include "ui/main/TreeCtrl.h"

namespace
{
double Seconds()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// CPU time of this thread (user and kernel), less disturbed by other load than the wall clock.
double ThreadSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& time)
    { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

double g_cpuMark = 0;

// Wall time of the step and the CPU time this thread spent in it (the machine may be busy with other work).
void Report(const char* what, double seconds)
{
    const double cpu = ThreadSeconds();
    std::printf("%-58s %8.3f s  (cpu %.3f s)\n", what, seconds, cpu - g_cpuMark);
    std::fflush(stdout);
    g_cpuMark = cpu;
}

// Starts the CPU figure of the next step.
void StartStep()
{
    g_cpuMark = ThreadSeconds();
}

// Dispatches what waits, then waits for more until done() or the time is up.
template <class Done> bool PumpUntil(Done done, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

CQTreeItem* AddPath(CQMonitor& monitor, const std::wstring& path, uint64_t written)
{
    std::vector<std::wstring_view> parts;
    SplitPath(path, parts);
    CQLock lock(monitor.m_lockData);
    CQTreeItem* item = monitor.m_root.FindOrInsert(parts, 0, TRUE);
    item->AddWrite(written, nullptr);
    return item;
}

// C:\Tree\dN\sM\fK (levels^3 files), C:\Big\fK (big files), D:\fK (a few).
size_t BuildTree(CQMonitor& monitor, int levels, int big)
{
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    wchar_t path[128];
    for (int d = 0; d < levels; ++d)
        for (int s = 0; s < levels; ++s)
            for (int f = 0; f < levels; ++f)
            {
                swprintf(path, 128, L"C:\\Tree\\d%d\\s%d\\f%d.dat", d, s, f);
                AddPath(monitor, path, next() % 100000);
            }
    for (int f = 0; f < big; ++f)
    {
        swprintf(path, 128, L"C:\\Big\\file%06d.log", f);
        AddPath(monitor, path, next() % 1000000);
    }
    for (int f = 0; f < 100; ++f)
    {
        swprintf(path, 128, L"D:\\data\\f%d", f);
        AddPath(monitor, path, next() % 1000);
    }
    return static_cast<size_t>(monitor.m_stats.m_qwordFiles);
}

HTREEITEM FindChildRow(HWND tree, HTREEITEM parent, const wchar_t* name)
{
    for (HTREEITEM row = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); row != nullptr;
         row = TreeView_GetNextSibling(tree, row))
    {
        TVITEMW data = {};
        data.mask = TVIF_HANDLE | TVIF_PARAM;
        data.hItem = row;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        const CQTreeItem* item = reinterpret_cast<const CQTreeItem*>(data.lParam);
        if (item != nullptr && _wcsicmp(item->m_csName.c_str(), name) == 0)
            return row;
    }
    return nullptr;
}

// Children of the row's item that have rows; counted through the items, since under Wine asking the view
// row by row costs more than what is measured.
int CountChildRows(HWND tree, HTREEITEM parent)
{
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = parent;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    const CQTreeItem* item = reinterpret_cast<const CQTreeItem*>(data.lParam);
    if (item == nullptr)
        return 0;
    CQLock lock(g_pAppContext->m_monitor.m_lockData);
    int count = 0;
    for (int i = 0; i < item->m_arrChildren.GetSize(); ++i)
        count += item->m_arrChildren[i]->m_row.GetHandle() != nullptr ? 1 : 0;
    return count;
}

struct Worker
{
    CQMonitor* monitor;
    int count;
};

DWORD WINAPI AddNewItems(LPVOID parameter)
{
    Worker* work = static_cast<Worker*>(parameter);
    wchar_t path[128];
    for (int i = 0; i < work->count; ++i)
    {
        swprintf(path, 128, L"C:\\Big\\new%06d.tmp", i);
        AddPath(*work->monitor, path, 4096);
        if (i % 100 == 99)
            Sleep(1);
    }
    return 0;
}

const UINT kRunMessage = WM_APP + 0x51;

class BenchDialog : public CQDialog
{
public:
    BenchDialog() : CQDialog(IDD_MAIN, nullptr) {}

protected:
    BOOL OnInitDialog() override
    {
        CQDialog::OnInitDialog();
        m_tree.Attach(m_hWnd, IDC_FILES_TREE);
        m_tree.SetColors(RGB(61, 61, 64), RGB(255, 255, 240), RGB(61, 61, 64));
        m_tree.SetImageList(g_pAppContext->m_imageList);
        g_pAppContext->m_pFilesTree = &m_tree;
        SetWindowPos(m_hWnd, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
        SetWindowPos(m_tree.GetHwnd(), nullptr, 8, 8, 870, 640, SWP_NOZORDER);
        ShowWindow(m_hWnd, SW_SHOW);
        PostMessageW(m_hWnd, kRunMessage, 0, 0);
        return TRUE;
    }

    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kRunMessage)
        {
            Run();
            EndDialog(0);
            result = 0;
            return TRUE;
        }
        return CQDialog::WindowProc(message, wParam, lParam, result);
    }

    BOOL OnNotify(NMHDR* header, LRESULT& result) override
    {
        if (header->hwndFrom == m_tree.GetHwnd() && header->code == TVN_ITEMEXPANDEDW)
        {
            m_tree.OnItemExpanded(reinterpret_cast<NMTREEVIEWW*>(header));
            result = 0;
            return TRUE;
        }
        return CQDialog::OnNotify(header, result);
    }

    void OnDestroy() override
    {
        g_pAppContext->m_pFilesTree = nullptr;
        CQDialog::OnDestroy();
    }

private:
    void Run()
    {
        CQMonitor& monitor = g_pAppContext->m_monitor;
        HWND tree = m_tree.GetHwnd();

        double t = Seconds();
        StartStep();
        monitor.Start(); // loads the saved data and fills the view through the hand-over
        UpdateWindow(tree);
        Report("open: load the saved data and fill the view", Seconds() - t);
        std::printf("   items loaded: %d drives, top-level rows %u\n", monitor.m_root.m_arrChildren.GetSize(),
                    static_cast<unsigned>(TreeView_GetCount(tree)));

        {
            HTREEITEM d = FindChildRow(tree, nullptr, L"D:");
            TreeView_Expand(tree, d, TVE_EXPAND);
            HTREEITEM data = FindChildRow(tree, d, L"data");
            t = Seconds();
            StartStep();
            TreeView_Expand(tree, data, TVE_EXPAND);
            UpdateWindow(tree);
            Report("expand D:\\data (100 rows: the first scroll bar)", Seconds() - t);
            TreeView_Expand(tree, d, TVE_COLLAPSE);
            UpdateWindow(tree);
        }
        HTREEITEM drive = FindChildRow(tree, nullptr, L"C:");
        t = Seconds();
        StartStep();
        TreeView_Expand(tree, drive, TVE_EXPAND);
        UpdateWindow(tree);
        Report("expand C: (populate, sort by size, paint)", Seconds() - t);

        HTREEITEM folders = FindChildRow(tree, drive, L"Tree");
        t = Seconds();
        StartStep();
        TreeView_Expand(tree, folders, TVE_EXPAND);
        UpdateWindow(tree);
        Report("expand C:\\Tree (folders of 10,000 files each)", Seconds() - t);
        TreeView_Expand(tree, folders, TVE_COLLAPSE);

        HTREEITEM big = FindChildRow(tree, drive, L"Big");
        t = Seconds();
        StartStep();
        TreeView_Expand(tree, big, TVE_EXPAND);
        UpdateWindow(tree);
        char line[128];
        std::snprintf(line, sizeof line, "expand C:\\Big with %d rows (populate, sort, paint)",
                      CountChildRows(tree, big));
        Report(line, Seconds() - t);

        g_pAppContext->m_settingsInterface.m_boolSortTreeByWriteSize = 0;
        t = Seconds();
        StartStep();
        m_tree.SortChildren(big);
        UpdateWindow(tree);
        Report("sort C:\\Big by name (and paint)", Seconds() - t);

        g_pAppContext->m_settingsInterface.m_boolSortTreeByWriteSize = 1;
        t = Seconds();
        StartStep();
        m_tree.SortChildren(big);
        UpdateWindow(tree);
        Report("sort C:\\Big by size (and paint)", Seconds() - t);
        t = Seconds();
        StartStep();
        TreeView_Expand(tree, big, TVE_COLLAPSE);
        UpdateWindow(tree);
        Report("collapse C:\\Big", Seconds() - t);
        t = Seconds();
        StartStep();
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(big));
        // A user's expansion: the view sends the notifications every time.
        SendMessageW(tree, WM_KEYDOWN, VK_ADD, 0);
        UpdateWindow(tree);
        Report("expand C:\\Big again (sort by size, paint)", Seconds() - t);

        t = Seconds();
        StartStep();
        for (int i = 0; i < 20; ++i)
        {
            SendMessageW(tree, WM_VSCROLL, SB_PAGEDOWN, 0);
            UpdateWindow(tree);
        }
        Report("20 pages down with paint", Seconds() - t);

        const int added = 5000;
        Worker work = {&monitor, added};
        const int before = CountChildRows(tree, big);
        t = Seconds();
        StartStep();
        HANDLE thread = CreateThread(nullptr, 0, AddNewItems, &work, 0, nullptr);
        PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 120000);
        const double produced = Seconds() - t;
        PumpUntil([&] { return CountChildRows(tree, big) >= before + added; }, 120000);
        UpdateWindow(tree);
        std::snprintf(line, sizeof line, "%d new items into the open C:\\Big, all %d shown", added,
                      CountChildRows(tree, big) - before);
        Report(line, Seconds() - t);
        std::printf("   (the worker thread made them in %.3f s while the view took them in batches)\n",
                    produced);
        CloseHandle(thread);

        t = Seconds();
        StartStep();
        monitor.Clear(1);
        UpdateWindow(tree);
        Report("clear the collected data and the view", Seconds() - t);
    }

    CQTreeCtrl m_tree;
};
} // namespace

int main(int argc, char** argv)
{
    const int levels = argc > 1 ? std::atoi(argv[1]) : 97;
    const int big = argc > 2 ? std::atoi(argv[2]) : 100000;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"tavrello_bench_treeview";
    CreateDirectoryW(folder.c_str(), nullptr);

    CQAppContext* context = new CQAppContext;
    g_pAppContext = context;
    context->m_settingsRunTime.m_csDataFolder = folder;
    context->m_settingsInterface.m_boolSortTreeByWriteSize = 1;
    context->m_settingsInterface.m_boolAutoExpandFolders = 0;

    double t = Seconds();
    StartStep();
    const size_t items = BuildTree(context->m_monitor, levels, big);
    Report("build the tree (SplitPath, FindOrInsert, AddWrite)", Seconds() - t);
    std::printf("   items: %zu\n", items);
    t = Seconds();
    StartStep();
    context->m_monitor.SaveData();
    Report("save it", Seconds() - t);
    t = Seconds();
    StartStep();
    context->m_monitor.Clear(0);
    Report("clear it", Seconds() - t);

    BenchDialog().DoModal();

    g_pAppContext = nullptr;
    delete context;
    DeleteFileW((folder + L"\\Monitored.Files").c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
