// CQHistoryChart: data, layout, the tooltip's tools and the mouse.
#include "ui/dialogs/history/HistoryChart.h"

#include <commctrl.h>

#include <algorithm>

#include "stats/history/DayNumber.h"
#include "stats/history/HistoryTexts.h"

namespace
{
constexpr int kMargin = 6;
constexpr int kLabelGap = 8;
constexpr int kToolTipWidth = 400;
constexpr int kToolTipShowMs = 30000;

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

void CQHistoryChart::SetData(int32_t firstDay, int dayCount, int32_t today, std::vector<CQHistoryDay> days,
                             uint64_t averagePerDay, const std::wstring& averageText)
{
    m_intFirstDay = firstDay;
    m_intDayCount = std::max(0, dayCount);
    m_intToday = today;
    m_arrDays = std::move(days);
    m_qwordAverage = averagePerDay;
    m_csAverageText = averageText;
    m_arrRowOfBar.assign(static_cast<size_t>(m_intDayCount), -1);
    for (size_t i = 0; i < m_arrDays.size(); ++i)
    {
        const int64_t bar = static_cast<int64_t>(m_arrDays[i].day) - firstDay;
        if (bar >= 0 && bar < m_intDayCount)
            m_arrRowOfBar[static_cast<size_t>(bar)] = static_cast<int>(i);
    }
    m_intHoverBar = -1;
    Layout();
    Invalidate(FALSE);
}

int CQHistoryChart::RowOfBar(int bar) const
{
    return bar >= 0 && bar < static_cast<int>(m_arrRowOfBar.size()) ? m_arrRowOfBar[static_cast<size_t>(bar)]
                                                                    : -1;
}

void CQHistoryChart::Layout()
{
    if (!m_hWnd)
        return;
    uint64_t largest = m_qwordAverage;
    for (const CQHistoryDay& day : m_arrDays)
        largest = std::max(largest, std::max(day.writtenAligned, day.written));
    m_scale = ChooseChartScale(largest);

    HDC hdc = ::GetDC(m_hWnd);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? ::SelectObject(hdc, font) : nullptr;
    int axisWidth = 0;
    for (int i = 0; i <= m_scale.intervals; ++i)
        axisWidth = std::max(axisWidth,
                             static_cast<int>(TextSize(hdc, FormatAxisValue(m_scale.step * i, m_scale)).cx));
    const SIZE date = TextSize(hdc, L"00-00");
    if (oldFont)
        ::SelectObject(hdc, oldFont);
    ::ReleaseDC(m_hWnd, hdc);
    m_intTextHeight = date.cy;
    m_intDateWidth = date.cx;

    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    m_rectPlot.left = client.left + kMargin + axisWidth + kMargin;
    m_rectPlot.right = std::max(m_rectPlot.left, static_cast<LONG>(client.right - kMargin));
    // Room above for the top tick's label and the average's figure, below for the dates.
    m_rectPlot.top = client.top + kMargin + m_intTextHeight;
    m_rectPlot.bottom =
        std::max(m_rectPlot.top, static_cast<LONG>(client.bottom - kMargin - m_intTextHeight - 2));
    m_bars = LayOutBars(m_rectPlot.left, m_rectPlot.right - m_rectPlot.left, m_intDayCount);
    m_arrLabels = PlaceDateLabels(m_intFirstDay, m_bars, m_intDateWidth, kLabelGap);
    RebuildTools();
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
    for (int bar = 0; bar < m_intDayCount; ++bar)
    {
        const int row = RowOfBar(bar);
        if (row < 0)
            continue;
        const CQHistoryDay& day = m_arrDays[static_cast<size_t>(row)];
        std::wstring text = FormatDayToolTip(day, day.day == m_intToday);
        TOOLINFOW add = {};
        add.cbSize = TTTOOLINFOW_V2_SIZE;
        add.hwnd = m_hWnd;
        add.uId = static_cast<UINT_PTR>(bar);
        add.rect = RECT{ColumnLeft(m_bars, bar), m_rectPlot.top, ColumnRight(m_bars, bar), m_rectPlot.bottom};
        add.lpszText = &text[0];
        ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&add));
    }
}

bool CQHistoryChart::GetColumnRect(int32_t day, RECT& rect) const
{
    const int64_t bar = static_cast<int64_t>(day) - m_intFirstDay;
    if (bar < 0 || bar >= m_intDayCount || RowOfBar(static_cast<int>(bar)) < 0)
        return false;
    rect = RECT{ColumnLeft(m_bars, static_cast<int>(bar)), m_rectPlot.top,
                ColumnRight(m_bars, static_cast<int>(bar)), m_rectPlot.bottom};
    return true;
}

int32_t CQHistoryChart::DayAt(POINT point) const
{
    if (point.y < m_rectPlot.top || point.y >= m_rectPlot.bottom)
        return INT32_MIN;
    const int bar = BarAt(m_bars, point.x);
    return RowOfBar(bar) >= 0 ? m_intFirstDay + bar : INT32_MIN;
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
    const int32_t day = DayAt(point);
    SetHoverBar(day == INT32_MIN ? -1 : static_cast<int>(day - m_intFirstDay));
    if (!m_boolTrackingLeave)
    {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_boolTrackingLeave = ::TrackMouseEvent(&track) != 0;
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
    case WM_SIZE:
    case WM_SETFONT:
        result = Default(message, wParam, lParam);
        Layout();
        Invalidate(FALSE);
        return TRUE;
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
