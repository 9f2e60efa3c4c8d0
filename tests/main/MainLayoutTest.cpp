// The main window's layout measured from outside: the six-column grid, resizing, the minimum size and
// minimise/restore.
#include "main/MainWindowFixture.h"

#include "resources/resource.h"

namespace
{
constexpr DWORD kLayoutLimitMs = 5000;

struct GridCell
{
    int id;
    int column;
};

const GridCell kGrid[] = {
    {IDC_START, 0},
    {IDC_CALCULATE, 1},
    {IDC_PROCESSES, 2},
    {IDC_OPTIONS, 3},
    {IDC_MENU, 5},
    {IDC_TOTAL_WRITES_LABEL, 0},
    {IDC_ALIGNED_WRITES_LABEL, 0},
    {IDC_TOTAL_READ_LABEL, 0},
    {IDC_CAPACITY_LABEL, 0},
    {IDC_TOTAL_WRITES, 1},
    {IDC_ALIGNED_WRITES, 1},
    {IDC_TOTAL_READ, 1},
    {IDC_CAPACITY, 1},
    {IDC_WRITES_PER_DAY_LABEL, 2},
    {IDC_ALIGNED_WRITES_PER_DAY_LABEL, 2},
    {IDC_WRITE_READ_RATIO_LABEL, 2},
    {IDC_WRITES_PER_DAY, 3},
    {IDC_ALIGNED_WRITES_PER_DAY, 3},
    {IDC_WRITE_READ_RATIO, 3},
    {IDC_TOTAL_OPERATIONS_LABEL, 4},
    {IDC_TOTAL_FILES_LABEL, 4},
    {IDC_MONITORING_TIME_LABEL, 4},
    {IDC_SSD_LIFE_LABEL, 4},
    {IDC_TOTAL_OPERATIONS, 5},
    {IDC_TOTAL_FILES, 5},
    {IDC_MONITORING_TIME, 5},
    {IDC_SSD_LIFE, 5},
};

// Controls that follow the window's edges, and one that stays put.
const int kEdgeControls[] = {IDC_FILES_TREE, IDC_STATUS, IDC_QUEUE_STATUS, IDC_SEPARATOR,
                             IDC_FILES_LIST_LABEL};

std::map<int, RECT> TakeLayout(HWND hDlg)
{
    std::map<int, RECT> layout;
    for (const GridCell& cell : kGrid)
        layout[cell.id] = ClientRectOf(hDlg, cell.id);
    for (int id : kEdgeControls)
        layout[id] = ClientRectOf(hDlg, id);
    return layout;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

// Every grid control at left = x0 + k * a with width a - x0, where x0 is the Start button's left edge and
// a is a sixth of the client width right of it; tops and heights as before.
void ExpectGrid(HWND hDlg, const std::map<int, RECT>& before)
{
    RECT client = {};
    GetClientRect(hDlg, &client);
    const int x0 = ClientRectOf(hDlg, IDC_START).left;
    const int pitch = (client.right - x0) / 6;
    for (const GridCell& cell : kGrid)
    {
        const RECT now = ClientRectOf(hDlg, cell.id);
        const RECT& old = before.at(cell.id);
        EXPECT_EQ(x0 + cell.column * pitch, now.left) << "control " << cell.id << " column " << cell.column;
        EXPECT_EQ(pitch - x0, now.right - now.left) << "control " << cell.id;
        EXPECT_EQ(old.top, now.top) << "control " << cell.id;
        EXPECT_EQ(old.bottom - old.top, now.bottom - now.top) << "control " << cell.id;
    }
}

// Resizes the window by (dw, dh) and waits until the tree has followed.
bool Resize(HWND hDlg, int dw, int dh)
{
    const RECT treeBefore = ClientRectOf(hDlg, IDC_FILES_TREE);
    const SIZE size = WindowSize(hDlg);
    SetWindowPos(hDlg, nullptr, 0, 0, size.cx + dw, size.cy + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitFor([&] { return !SameRect(treeBefore, ClientRectOf(hDlg, IDC_FILES_TREE)); }, kLayoutLimitMs);
}
} // namespace

TEST_F(MainWindowTest, ColumnGridAtOpening)
{
    ASSERT_TRUE(Launch());
    HWND hDlg = m_program.MainWindow();
    const std::map<int, RECT> layout = TakeLayout(hDlg);
    ExpectGrid(hDlg, layout);
    // The fifth cell of the button row stays empty: Options and Menu are two pitches apart.
    const int pitch = layout.at(IDC_CALCULATE).left - layout.at(IDC_START).left;
    EXPECT_EQ(2 * pitch, layout.at(IDC_MENU).left - layout.at(IDC_OPTIONS).left);
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, WiderAndTallerWindowStretchesTreeAndGrid)
{
    ASSERT_TRUE(Launch());
    HWND hDlg = m_program.MainWindow();
    const std::map<int, RECT> before = TakeLayout(hDlg);
    ASSERT_TRUE(Resize(hDlg, 60, 40)) << "the tree did not follow the new size";
    // Let the whole batch land.
    Sleep(300);
    const std::map<int, RECT> after = TakeLayout(hDlg);

    struct Expectation
    {
        int id, dx, dy, dw, dh;
    };
    const Expectation edges[] = {
        {IDC_FILES_TREE, 0, 0, 60, 40}, {IDC_STATUS, 0, 40, 60, 0},         {IDC_QUEUE_STATUS, 60, 40, 0, 0},
        {IDC_SEPARATOR, 0, 0, 60, 0},   {IDC_FILES_LIST_LABEL, 0, 0, 0, 0},
    };
    for (const Expectation& e : edges)
    {
        const RECT& b = before.at(e.id);
        const RECT& a = after.at(e.id);
        EXPECT_EQ(b.left + e.dx, a.left) << "control " << e.id << " " << Describe(b) << " -> " << Describe(a);
        EXPECT_EQ(b.top + e.dy, a.top) << "control " << e.id << " " << Describe(b) << " -> " << Describe(a);
        EXPECT_EQ(b.right - b.left + e.dw, a.right - a.left) << "control " << e.id;
        EXPECT_EQ(b.bottom - b.top + e.dh, a.bottom - a.top) << "control " << e.id;
    }
    ExpectGrid(hDlg, before);
    // The columns really moved: the Menu button's cell is ten pixels further right.
    EXPECT_EQ(before.at(IDC_MENU).left + 5 * 10, after.at(IDC_MENU).left);
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, TallerOnlyWindowLeavesTheGridAlone)
{
    ASSERT_TRUE(Launch());
    HWND hDlg = m_program.MainWindow();
    const std::map<int, RECT> before = TakeLayout(hDlg);
    ASSERT_TRUE(Resize(hDlg, 0, 40));
    Sleep(300);
    const std::map<int, RECT> after = TakeLayout(hDlg);
    for (const GridCell& cell : kGrid)
        EXPECT_TRUE(SameRect(before.at(cell.id), after.at(cell.id)))
            << "control " << cell.id << " " << Describe(before.at(cell.id)) << " -> "
            << Describe(after.at(cell.id));
    RECT tree = before.at(IDC_FILES_TREE);
    tree.bottom += 40;
    EXPECT_TRUE(SameRect(tree, after.at(IDC_FILES_TREE))) << Describe(after.at(IDC_FILES_TREE));
    EXPECT_EQ(before.at(IDC_STATUS).top + 40, after.at(IDC_STATUS).top);
    EXPECT_EQ(before.at(IDC_QUEUE_STATUS).top + 40, after.at(IDC_QUEUE_STATUS).top);
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, WindowCannotBecomeSmallerThanItOpened)
{
    ASSERT_TRUE(Launch());
    HWND hDlg = m_program.MainWindow();
    const SIZE opened = WindowSize(hDlg);
    const RECT treeBefore = ClientRectOf(hDlg, IDC_FILES_TREE);
    SetWindowPos(hDlg, nullptr, 0, 0, opened.cx - 100, opened.cy - 80,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A refresh later (the program has handled the request) the size is still the opening size.
    Sleep(300);
    EXPECT_TRUE(m_program.WaitForFirstRefresh(kRefreshLimitMs));
    const SIZE now = WindowSize(hDlg);
    EXPECT_GE(now.cx, opened.cx);
    EXPECT_GE(now.cy, opened.cy);
    EXPECT_TRUE(SameRect(treeBefore, ClientRectOf(hDlg, IDC_FILES_TREE)));

    // Larger, then back down to below the opening size: it stops at the opening size.
    ASSERT_TRUE(Resize(hDlg, 50, 50));
    SetWindowPos(hDlg, nullptr, 0, 0, opened.cx - 10, opened.cy - 10,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(
        WaitFor([&] { return SameRect(treeBefore, ClientRectOf(hDlg, IDC_FILES_TREE)); }, kLayoutLimitMs))
        << Describe(ClientRectOf(hDlg, IDC_FILES_TREE)) << " instead of " << Describe(treeBefore);
    EXPECT_EQ(opened.cx, WindowSize(hDlg).cx);
    EXPECT_EQ(opened.cy, WindowSize(hDlg).cy);
    EXPECT_TRUE(CloseWithEscape(m_program));
}

TEST_F(MainWindowTest, MinimiseAndRestoreKeepTheLayout)
{
    ASSERT_TRUE(Launch());
    HWND hDlg = m_program.MainWindow();
    const std::map<int, RECT> before = TakeLayout(hDlg);
    PostMessageW(hDlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(hDlg) != 0; }, kLayoutLimitMs))
        << "the window was not minimised";
    PostMessageW(hDlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsIconic(hDlg); }, kLayoutLimitMs)) << "the window was not restored";
    Sleep(300);
    const std::map<int, RECT> after = TakeLayout(hDlg);
    for (const auto& [id, rect] : before)
        EXPECT_TRUE(SameRect(rect, after.at(id)))
            << "control " << id << " " << Describe(rect) << " -> " << Describe(after.at(id));
    EXPECT_TRUE(CloseWithEscape(m_program));
}
