// CQHistoryChart: data, layout, the tooltip's tools, the selection, the keyboard and the mouse.
#include "ui/dialogs/history/HistoryChart.h"

#include <commctrl.h>

#include <algorithm>

#include "stats/history/HistoryTexts.h"

namespace
{
constexpr int kMargin = 6;
constexpr int kLabelGap = 8;
constexpr int kLegendGap = 6;
constexpr int kLegendEntryGap = 16;
constexpr int kSwatchTextGap = 4;
constexpr int kToolTipWidth = 400;
constexpr int kToolTipShowMs = 30000;
// Bars that Page Up and Page Down move by.
constexpr int kPageBars = 7;

SIZE TextSize(HDC hdc, const std::wstring& text)
{
    SIZE size = {};
    ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}
} // namespace

CQHistoryChart::~CQHistoryChart()
{
    Detach();
}

void CQHistoryChart::OnAttached()
{
    m_hToolTip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ::GetParent(m_hWnd),
                          nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (m_hToolTip)
    {
        ::SendMessageW(m_hToolTip, TTM_SETMAXTIPWIDTH, 0, kToolTipWidth);
        ::SendMessageW(m_hToolTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kToolTipShowMs, 0));
    }
    Layout();
}

void CQHistoryChart::OnDetaching()
{
    if (m_hToolTip && ::IsWindow(m_hToolTip))
        ::DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
}

void CQHistoryChart::SetData(std::vector<CQChartBar> bars, int32_t labelDay, int daysPerBar,
                             uint64_t averagePerDay, const std::wstring& averageText, bool driveSeries)
{
    const int32_t selectedDay =
        m_intSelectedBar >= 0 ? m_arrBars[static_cast<size_t>(m_intSelectedBar)].sum.day : INT32_MIN;
    const int previousDaysPerBar = m_intDaysPerBar;
    m_arrBars = std::move(bars);
    m_intLabelDay = labelDay;
    m_intDaysPerBar = std::max(1, daysPerBar);
    m_qwordAverage = averagePerDay;
    m_csAverageText = averageText;
    m_boolDriveSeries = driveSeries;
    m_intHoverBar = -1;
    const int kept = previousDaysPerBar == m_intDaysPerBar ? BarOfDay(selectedDay) : -1;
    m_intSelectedBar = kept >= 0 ? kept : GetBarCount() - 1;
    Layout();
    Invalidate(FALSE);
}

int CQHistoryChart::BarOfDay(int32_t day) const
{
    for (size_t i = 0; i < m_arrBars.size(); ++i)
    {
        const CQChartBar& bar = m_arrBars[i];
        if (day >= bar.sum.day &&
            static_cast<int64_t>(day) < static_cast<int64_t>(bar.sum.day) + bar.dayCount)
            return static_cast<int>(i);
    }
    return -1;
}

void CQHistoryChart::Layout()
{
    if (!m_hWnd)
        return;
    std::vector<uint64_t> heights;
    heights.reserve(m_arrBars.size());
    for (const CQChartBar& bar : m_arrBars)
        heights.push_back(bar.Height());
    // One spike does not flatten the other bars; the average line stays on the axis.
    uint64_t reach = ChooseScaleReach(std::move(heights));
    if (HasAverage())
        reach = std::max(reach, m_qwordAverage);
    m_scale = ChooseChartScale(reach);

    HDC hdc = ::GetDC(m_hWnd);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? ::SelectObject(hdc, font) : nullptr;
    int axisWidth = 0;
    for (int i = 0; i <= m_scale.intervals; ++i)
        axisWidth = std::max(axisWidth,
                             static_cast<int>(TextSize(hdc, FormatAxisValue(m_scale.step * i, m_scale)).cx));
    const SIZE date = TextSize(hdc, L"00-00");
    m_intTextHeight = date.cy;
    m_intDateWidth = date.cx;

    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    m_rectPlot.left = client.left + kMargin + axisWidth + kMargin;
    m_rectPlot.right = std::max(m_rectPlot.left, static_cast<LONG>(client.right - kMargin));
    const int legendTop = LayOutLegend(hdc, client.bottom - kMargin);
    // Room above for the top tick's label and the figures of cut-off bars, below for the dates and the
    // legend.
    m_rectPlot.top = client.top + kMargin + m_intTextHeight;
    m_rectPlot.bottom =
        std::max(m_rectPlot.top, static_cast<LONG>(legendTop - kLegendGap - m_intTextHeight - 2));
    if (oldFont)
        ::SelectObject(hdc, oldFont);
    ::ReleaseDC(m_hWnd, hdc);

    m_bars = LayOutBars(m_rectPlot.left, m_rectPlot.right - m_rectPlot.left, GetBarCount());
    m_arrLabels = PlaceDateLabels(m_intLabelDay, m_intDaysPerBar, m_bars, m_intDateWidth, kLabelGap);
    RebuildTools();
}

int CQHistoryChart::LayOutLegend(HDC hdc, int bottom)
{
    m_arrLegend.clear();
    m_arrLegend.push_back({LegendKind::aligned, L"Aligned to (4k)", {}, 0});
    m_arrLegend.push_back({LegendKind::written, L"Written (raw)", {}, 0});
    if (m_boolDriveSeries)
        m_arrLegend.push_back({LegendKind::drive, L"Drive's host writes", {}, 0});
    m_arrLegend.push_back(
        {LegendKind::growing, m_intDaysPerBar > 1 ? L"This week so far" : L"Today so far", {}, 0});
    if (HasAverage())
        m_arrLegend.push_back({LegendKind::average, L"Average per monitored day", {}, 0});
    const int swatch = std::max(6, m_intTextHeight - 4);
    // Entries side by side from the plot's left; one that would run past the plot's right starts a line
    // under the others. Laid out from 0 first, then moved down to end at `bottom`.
    int x = m_rectPlot.left;
    int top = 0;
    for (LegendEntry& entry : m_arrLegend)
    {
        const int width = swatch + kSwatchTextGap + static_cast<int>(TextSize(hdc, entry.text).cx);
        if (x > m_rectPlot.left && x + width > m_rectPlot.right)
        {
            x = m_rectPlot.left;
            top += m_intTextHeight;
        }
        const int swatchTop = top + (m_intTextHeight - swatch) / 2;
        entry.swatch = RECT{x, swatchTop, x + swatch, swatchTop + swatch};
        entry.textLeft = x + swatch + kSwatchTextGap;
        x += width + kLegendEntryGap;
    }
    const int legendTop = bottom - top - m_intTextHeight;
    for (LegendEntry& entry : m_arrLegend)
        ::OffsetRect(&entry.swatch, 0, legendTop);
    return legendTop;
}

void CQHistoryChart::RebuildTools()
{
    if (!m_hToolTip)
        return;
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    while (::SendMessageW(m_hToolTip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)))
    {
        ::SendMessageW(m_hToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        tool = TOOLINFOW{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
    }
    for (int bar = 0; bar < GetBarCount(); ++bar)
    {
        if (GetBar(bar).monitoredDays == 0)
            continue;
        std::wstring text = FormatBarToolTip(GetBar(bar));
        TOOLINFOW add = {};
        add.cbSize = TTTOOLINFOW_V2_SIZE;
        add.hwnd = m_hWnd;
        add.uId = static_cast<UINT_PTR>(bar);
        GetColumnRect(bar, add.rect);
        add.lpszText = &text[0];
        ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&add));
    }
}

bool CQHistoryChart::GetColumnRect(int bar, RECT& rect) const
{
    if (bar < 0 || bar >= GetBarCount())
        return false;
    rect = RECT{ColumnLeft(m_bars, bar), m_rectPlot.top, ColumnRight(m_bars, bar), m_rectPlot.bottom};
    return true;
}

bool CQHistoryChart::IsCutOff(int bar) const
{
    return bar >= 0 && bar < GetBarCount() && static_cast<double>(GetBar(bar).Height()) > m_scale.top;
}

int CQHistoryChart::BarAt(POINT point) const
{
    if (point.y < m_rectPlot.top || point.y >= m_rectPlot.bottom)
        return -1;
    return ::BarAt(m_bars, point.x);
}

void CQHistoryChart::SelectBar(int bar)
{
    if (m_arrBars.empty())
        return;
    bar = std::max(0, std::min(bar, GetBarCount() - 1));
    if (bar == m_intSelectedBar)
        return;
    m_intSelectedBar = bar;
    Invalidate(FALSE);
    HWND parent = ::GetParent(m_hWnd);
    if (parent)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), kSelectionChanged),
                       reinterpret_cast<LPARAM>(m_hWnd));
}

void CQHistoryChart::SetHoverBar(int bar)
{
    if (bar == m_intHoverBar)
        return;
    m_intHoverBar = bar;
    Invalidate(FALSE);
}

void CQHistoryChart::OnMouseMove(LPARAM position)
{
    const POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    const int bar = BarAt(point);
    SetHoverBar(bar >= 0 && GetBar(bar).monitoredDays > 0 ? bar : -1);
    if (!m_boolTrackingLeave)
    {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_boolTrackingLeave = ::TrackMouseEvent(&track) != 0;
    }
}

bool CQHistoryChart::OnKeyDown(WPARAM key)
{
    switch (key)
    {
    case VK_LEFT:
    case VK_UP:
        SelectBar(m_intSelectedBar - 1);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        SelectBar(m_intSelectedBar + 1);
        return true;
    case VK_PRIOR:
        SelectBar(m_intSelectedBar - kPageBars);
        return true;
    case VK_NEXT:
        SelectBar(m_intSelectedBar + kPageBars);
        return true;
    case VK_HOME:
        SelectBar(0);
        return true;
    case VK_END:
        SelectBar(GetBarCount() - 1);
        return true;
    default:
        return false;
    }
}

BOOL CQHistoryChart::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (m_hToolTip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
    {
        // The tools are the chart's; the tooltip learns of the mouse from here.
        MSG relayed = {m_hWnd, message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
        const DWORD position = ::GetMessagePos();
        relayed.pt = POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ::SendMessageW(m_hToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message)
    {
    case WM_ERASEBKGND:
        result = 1;
        return TRUE;
    case WM_PAINT:
    {
        PAINTSTRUCT paint = {};
        HDC hdc = ::BeginPaint(m_hWnd, &paint);
        if (hdc)
            Paint(hdc);
        ::EndPaint(m_hWnd, &paint);
        result = 0;
        return TRUE;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        result = 0;
        return TRUE;
    case WM_SIZE:
    case WM_SETFONT:
        result = Default(message, wParam, lParam);
        Layout();
        Invalidate(FALSE);
        return TRUE;
    case WM_GETDLGCODE:
        // The arrows move the selection instead of the focus.
        result = DLGC_WANTARROWS;
        return TRUE;
    case WM_KEYDOWN:
        if (!OnKeyDown(wParam))
            return FALSE;
        result = 0;
        return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate(FALSE);
        return FALSE;
    case WM_LBUTTONDOWN:
    {
        ::SetFocus(m_hWnd);
        const int bar = BarAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        if (bar >= 0)
            SelectBar(bar);
        return FALSE;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return FALSE;
    case WM_MOUSELEAVE:
        m_boolTrackingLeave = false;
        SetHoverBar(-1);
        return FALSE;
    default:
        return FALSE;
    }
}
