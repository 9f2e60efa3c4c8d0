// CTavrelloDlg: the layout on resizing (tree, separator and status lines follow the window's edges), the
// six-column grid of the buttons and the statistics, the opening width that no label is cut at, and the
// tooltips of the figures and of the status lines.
#include "ui/main/TavrelloDlg.h"

#include <algorithm>

#include "app/AppContext.h"
#include "resources/resource.h"
#include "stats/ToolTips.h"
#include "ui/main/MeasuringNotice.h"

namespace
{
constexpr int kColumns = 6;

struct GridCell
{
    int id;
    int column;
};

// The button row (column 4 stays empty) and the four statistics rows: labels and values alternate.
constexpr GridCell kGrid[] = {
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

// The labels of the statistics rows; the widest of them decides how wide a column must at least be.
constexpr int kStatisticsLabels[] = {
    IDC_TOTAL_WRITES_LABEL,     IDC_ALIGNED_WRITES_LABEL,   IDC_TOTAL_READ_LABEL,
    IDC_CAPACITY_LABEL,         IDC_WRITES_PER_DAY_LABEL,   IDC_ALIGNED_WRITES_PER_DAY_LABEL,
    IDC_WRITE_READ_RATIO_LABEL, IDC_TOTAL_OPERATIONS_LABEL, IDC_TOTAL_FILES_LABEL,
    IDC_MONITORING_TIME_LABEL,  IDC_SSD_LIFE_LABEL,
};

// Width of a control's text drawn on one line with the control's own font, in pixels.
int TextWidth(HWND hControl)
{
    wchar_t text[128] = {};
    const int length = ::GetWindowTextW(hControl, text, static_cast<int>(sizeof(text) / sizeof(text[0])));
    HDC hdc = ::GetDC(hControl);
    if (hdc == nullptr)
        return 0;
    HGDIOBJ previous = nullptr;
    if (HFONT font = reinterpret_cast<HFONT>(::SendMessageW(hControl, WM_GETFONT, 0, 0)))
        previous = ::SelectObject(hdc, font);
    SIZE extent = {};
    ::GetTextExtentPoint32W(hdc, text, length, &extent);
    if (previous != nullptr)
        ::SelectObject(hdc, previous);
    ::ReleaseDC(hControl, hdc);
    return extent.cx;
}

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

// A control's window rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND hDlg, HWND hControl)
{
    RECT rect = {};
    ::GetWindowRect(hControl, &rect);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The height a control is positioned with. A drop-down combo box reports only its selection field as
// its window; its position height includes the list, which must keep the size the template gave it.
int PositionHeight(HWND hControl, const RECT& rect)
{
    wchar_t className[16] = {};
    ::GetClassNameW(hControl, className, static_cast<int>(sizeof(className) / sizeof(className[0])));
    if (::lstrcmpiW(className, L"ComboBox") == 0)
    {
        RECT dropped = {};
        if (::SendMessageW(hControl, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) &&
            Height(dropped) > Height(rect))
            return Height(dropped);
    }
    return Height(rect);
}
} // namespace

void CTavrelloDlg::RepositionControls()
{
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    const RECT& last = GetLastLayoutRect();
    const int dx = Width(window) - Width(last);
    const int dy = Height(window) - Height(last);
    SetLastLayoutRect(window);

    // The tree takes all extra room; the status lines stay on the bottom edge.
    OffsetControl(IDC_FILES_TREE, 0, 0, dx, dy);
    OffsetControl(IDC_STATUS, 0, dy, dx, 0);
    OffsetControl(IDC_QUEUE_STATUS, dx, dy, 0, 0);
    OffsetControl(IDC_SEPARATOR, 0, 0, dx, 0);

    if (dx != 0)
        LayoutColumns();
}

void CTavrelloDlg::LayoutColumns()
{
    HWND hStart = GetDlgItem(IDC_START);
    if (!hStart)
        return;
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    // The Start button's left edge is the margin; six equal cells, each a margin narrower than its pitch.
    const int x0 = ClientRectOf(m_hWnd, hStart).left;
    const int pitch = (Width(client) - x0) / kColumns;
    const int width = pitch - x0;

    for (const GridCell& cell : kGrid)
    {
        HWND hControl = GetDlgItem(cell.id);
        if (!hControl)
            continue;
        const RECT rect = ClientRectOf(m_hWnd, hControl);
        const int x = x0 + cell.column * pitch;
        const int height = PositionHeight(hControl, rect);
        if (m_hDeferWindowPos)
            m_hDeferWindowPos = ::DeferWindowPos(m_hDeferWindowPos, hControl, nullptr, x, rect.top, width,
                                                 height, SWP_NOZORDER | SWP_NOACTIVATE);
        else
            ::SetWindowPos(hControl, nullptr, x, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CTavrelloDlg::WidenToFitLabels()
{
    HWND hStart = GetDlgItem(IDC_START);
    if (!hStart)
        return;
    int needed = 0;
    for (int id : kStatisticsLabels)
    {
        if (HWND hLabel = GetDlgItem(id))
            needed = std::max(needed, TextWidth(hLabel));
    }
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const int x0 = ClientRectOf(m_hWnd, hStart).left;
    if ((Width(client) - x0) / kColumns - x0 >= needed)
        return;
    // The client width at which the grid's cell width is exactly the widest label.
    const int growth = kColumns * (needed + x0) + x0 - Width(client);
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    const int width = Width(window) + growth;
    // Resizing is on, so the tree, the status lines and the grid follow as they do for the user's resize.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, Height(window), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_intMinTrackWidth = width;
    CenterWindow();
}

const wchar_t* CTavrelloDlg::GetToolTipText(UINT controlId)
{
    // The status lines name the source that measures; their own texts stay as they are.
    if ((controlId == IDC_STATUS || controlId == IDC_QUEUE_STATUS) && g_pAppContext)
    {
        m_csSourceToolTip = MeasuringSourceText(g_pAppContext->m_monitor);
        return m_csSourceToolTip.c_str();
    }
    return GetFigureToolTip(controlId);
}
