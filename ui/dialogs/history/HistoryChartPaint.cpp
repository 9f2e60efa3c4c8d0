// CQHistoryChart: the bars' geometry and painting, all of it into an off-screen bitmap.
#include "ui/dialogs/history/HistoryChart.h"

#include <algorithm>

#include "stats/Format.h"
#include "stats/history/DayNumber.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/MemDC.h"

namespace
{
constexpr COLORREF kGridColor = RGB(90, 90, 94);
constexpr COLORREF kHoverColor = RGB(78, 78, 82);
constexpr COLORREF kSelectedColor = RGB(70, 74, 92);
constexpr COLORREF kAlignedColor = RGB(0, 122, 204);
constexpr COLORREF kWrittenColor = RGB(130, 195, 255);
constexpr COLORREF kAverageColor = RGB(255, 170, 60);
constexpr COLORREF kDriveColor = RGB(120, 210, 110);
constexpr int kTextGap = 4;
// Today's bar is never lower than this, so that it shows even before anything was written.
constexpr int kMinGrowingHeight = 3;
// The break in a cut-off bar: its distance from the top of the plot and its height.
constexpr int kBreakTop = 5;
constexpr int kBreakHeight = 3;

// Selects a GDI object into a context and puts the old one back.
class CQSelect
{
public:
    CQSelect(HDC hdc, HGDIOBJ object) : m_hdc(hdc), m_old(object ? ::SelectObject(hdc, object) : nullptr) {}
    ~CQSelect()
    {
        if (m_old)
            ::SelectObject(m_hdc, m_old);
    }
    CQSelect(const CQSelect&) = delete;
    CQSelect& operator=(const CQSelect&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

void Fill(HDC hdc, const RECT& rect, COLORREF color)
{
    ::SetBkColor(hdc, color);
    ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void DrawTextAt(HDC hdc, int x, int y, const std::wstring& text)
{
    ::TextOutW(hdc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// A bar that is still growing: hatched inside a frame.
void FillGrowing(HDC hdc, const RECT& rect)
{
    CQBrush hatch(::CreateHatchBrush(HS_BDIAGONAL, kAlignedColor));
    CQBrush frame(::CreateSolidBrush(kAlignedColor));
    ::SetBkColor(hdc, kControlBackgroundColor);
    ::SetBkMode(hdc, OPAQUE);
    ::FillRect(hdc, &rect, hatch.Get());
    ::FrameRect(hdc, &rect, frame.Get());
    ::SetBkMode(hdc, TRANSPARENT);
}

void DrawDottedLine(HDC hdc, int left, int right, int y)
{
    CQGdiObject<HPEN> dotted(::CreatePen(PS_DOT, 1, kAverageColor));
    CQSelect selectPen(hdc, dotted.Get());
    ::SetBkMode(hdc, TRANSPARENT);
    ::MoveToEx(hdc, left, y, nullptr);
    ::LineTo(hdc, right, y);
}
} // namespace

bool CQHistoryChart::GetBarRect(int bar, RECT& rect) const
{
    if (bar < 0 || bar >= GetBarCount())
        return false;
    const CQChartBar& data = GetBar(bar);
    if (data.monitoredDays == 0 && !data.includesToday)
        return false;
    const int height = m_rectPlot.bottom - m_rectPlot.top;
    const int minimum = data.includesToday ? kMinGrowingHeight : 1;
    const int barHeight =
        std::min(height, std::max(minimum, BarHeight(data.sum.writtenAligned, m_scale, height)));
    const int left = BarLeft(m_bars, bar);
    rect = RECT{left, m_rectPlot.bottom - barHeight, left + MeasuredBarWidth(), m_rectPlot.bottom};
    return true;
}

bool CQHistoryChart::GetDriveBarRect(int bar, RECT& rect) const
{
    if (!m_boolDriveSeries || bar < 0 || bar >= GetBarCount() || !GetBar(bar).driveWritten)
        return false;
    const int height = m_rectPlot.bottom - m_rectPlot.top;
    // A figure of nothing still shows, as a line on the axis.
    const int barHeight =
        std::min(height, std::max(1, BarHeight(*GetBar(bar).driveWritten, m_scale, height)));
    const int left = BarLeft(m_bars, bar) + MeasuredBarWidth();
    rect = RECT{left, m_rectPlot.bottom - barHeight, left + DriveBarWidth(), m_rectPlot.bottom};
    return true;
}

int CQHistoryChart::DriveBarWidth() const
{
    return m_boolDriveSeries ? std::max(1, m_bars.barWidth / 3) : 0;
}

int CQHistoryChart::MeasuredBarWidth() const
{
    return std::max(1, m_bars.barWidth - DriveBarWidth());
}

void CQHistoryChart::Paint(HDC target) const
{
    CQMemDC memory(target);
    HDC hdc = memory.GetSafeHdc();
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    Fill(hdc, client, kControlBackgroundColor);

    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    CQSelect selectFont(hdc, font);
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, kControlTextColor);

    RECT column = {};
    if (GetColumnRect(m_intSelectedBar, column))
        Fill(hdc, column, kSelectedColor);
    if (GetColumnRect(m_intHoverBar, column))
        Fill(hdc, column, kHoverColor);
    PaintAxis(hdc);
    PaintBars(hdc);
    PaintCutOffMarks(hdc);
    PaintAverage(hdc);
    PaintLegend(hdc);
    if (::GetFocus() == m_hWnd && GetColumnRect(m_intSelectedBar, column))
    {
        ::SetTextColor(hdc, kControlTextColor);
        ::SetBkColor(hdc, kControlBackgroundColor);
        ::DrawFocusRect(hdc, &column);
    }

    const bool anyMonitored = std::any_of(m_arrBars.begin(), m_arrBars.end(),
                                          [](const CQChartBar& bar) { return bar.monitoredDays > 0; });
    if (!anyMonitored)
    {
        RECT plot = m_rectPlot;
        ::SetBkMode(hdc, TRANSPARENT);
        ::SetTextColor(hdc, kControlTextColor);
        ::DrawTextW(hdc, L"Nothing was monitored in these days", -1, &plot,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void CQHistoryChart::PaintAxis(HDC hdc) const
{
    const int height = m_rectPlot.bottom - m_rectPlot.top;
    CQGdiObject<HPEN> grid(::CreatePen(PS_SOLID, 1, kGridColor));
    CQSelect selectPen(hdc, grid.Get());
    ::SetTextAlign(hdc, TA_RIGHT | TA_TOP);
    for (int i = 0; i <= m_scale.intervals && m_scale.intervals > 0; ++i)
    {
        const int y =
            m_rectPlot.bottom - static_cast<int>(static_cast<long long>(height) * i / m_scale.intervals);
        ::MoveToEx(hdc, m_rectPlot.left, y, nullptr);
        ::LineTo(hdc, m_rectPlot.right, y);
        DrawTextAt(hdc, m_rectPlot.left - kTextGap, y - m_intTextHeight / 2,
                   FormatAxisValue(m_scale.step * i, m_scale));
    }
    ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
    for (const CQDateLabel& label : m_arrLabels)
        DrawTextAt(hdc, label.left, m_rectPlot.bottom + 2,
                   FormatShortDay(m_intLabelDay + label.bar * m_intDaysPerBar));
}

void CQHistoryChart::PaintBars(HDC hdc) const
{
    const int height = m_rectPlot.bottom - m_rectPlot.top;
    for (int bar = 0; bar < GetBarCount(); ++bar)
    {
        RECT outer = {};
        RECT drive = {};
        if (GetDriveBarRect(bar, drive))
            Fill(hdc, drive, kDriveColor);
        if (!GetBarRect(bar, outer))
            continue;
        const CQChartBar& data = GetBar(bar);
        if (data.includesToday)
            FillGrowing(hdc, outer);
        else
            Fill(hdc, outer, kAlignedColor);
        const int outerWidth = outer.right - outer.left;
        const int innerWidth = std::max(1, outerWidth / 2);
        const int innerLeft = outer.left + (outerWidth - innerWidth) / 2;
        const int writtenHeight = BarHeight(data.sum.written, m_scale, height);
        if (writtenHeight > 0)
            Fill(
                hdc,
                RECT{innerLeft, m_rectPlot.bottom - writtenHeight, innerLeft + innerWidth, m_rectPlot.bottom},
                kWrittenColor);
    }
}

void CQHistoryChart::PaintCutOffMarks(HDC hdc) const
{
    struct Figure
    {
        int left;
        int right;
        uint64_t value;
    };
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    std::vector<Figure> figures;
    for (int bar = 0; bar < GetBarCount(); ++bar)
    {
        if (!IsCutOff(bar))
            continue;
        // A break across each bar that reaches the top says that it goes on beyond the axis.
        RECT outer = {};
        bool any = false;
        const CQChartBar& data = GetBar(bar);
        for (const bool drive : {false, true})
        {
            const uint64_t value =
                drive ? data.driveWritten.value_or(0) : std::max(data.sum.writtenAligned, data.sum.written);
            RECT part = {};
            if (static_cast<double>(value) <= m_scale.top ||
                !(drive ? GetDriveBarRect(bar, part) : GetBarRect(bar, part)))
                continue;
            Fill(hdc,
                 RECT{part.left - 1, part.top + kBreakTop, part.right + 1,
                      part.top + kBreakTop + kBreakHeight},
                 kControlBackgroundColor);
            outer = any ? RECT{outer.left, outer.top, part.right, outer.bottom} : part;
            any = true;
        }
        if (!any)
            continue;
        // Its figure over it; of two that would run into each other the larger one stays.
        const uint64_t value = data.Height();
        const std::wstring text = FormatSize(value);
        SIZE size = {};
        ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
        const int centre = (outer.left + outer.right) / 2;
        const int left =
            std::max(static_cast<int>(client.left), std::min(centre - static_cast<int>(size.cx) / 2,
                                                             static_cast<int>(client.right - size.cx)));
        const Figure figure = {left, left + static_cast<int>(size.cx), value};
        if (!figures.empty() && left < figures.back().right + kTextGap)
        {
            if (value > figures.back().value)
                figures.back() = figure;
            continue;
        }
        figures.push_back(figure);
    }
    ::SetTextColor(hdc, kControlTextColor);
    ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
    for (const Figure& figure : figures)
        DrawTextAt(hdc, figure.left, m_rectPlot.top - m_intTextHeight - 1, FormatSize(figure.value));
}

void CQHistoryChart::PaintAverage(HDC hdc) const
{
    if (!HasAverage())
        return;
    const int y = m_rectPlot.bottom - BarHeight(m_qwordAverage, m_scale, m_rectPlot.bottom - m_rectPlot.top);
    DrawDottedLine(hdc, m_rectPlot.left, m_rectPlot.right, y);
    ::SetTextColor(hdc, kAverageColor);
    ::SetTextAlign(hdc, TA_RIGHT | TA_BOTTOM);
    DrawTextAt(hdc, m_rectPlot.right, y - 1, L"average " + m_csAverageText);
    ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
    ::SetTextColor(hdc, kControlTextColor);
}

void CQHistoryChart::PaintLegend(HDC hdc) const
{
    ::SetTextColor(hdc, kControlTextColor);
    ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
    for (const LegendEntry& entry : m_arrLegend)
    {
        switch (entry.kind)
        {
        case LegendKind::aligned:
            Fill(hdc, entry.swatch, kAlignedColor);
            break;
        case LegendKind::written:
            Fill(hdc, entry.swatch, kWrittenColor);
            break;
        case LegendKind::drive:
            Fill(hdc, entry.swatch, kDriveColor);
            break;
        case LegendKind::growing:
            FillGrowing(hdc, entry.swatch);
            break;
        case LegendKind::average:
            DrawDottedLine(hdc, entry.swatch.left, entry.swatch.right,
                           (entry.swatch.top + entry.swatch.bottom) / 2);
            break;
        }
        const int swatchHeight = entry.swatch.bottom - entry.swatch.top;
        DrawTextAt(hdc, entry.textLeft, entry.swatch.top - (m_intTextHeight - swatchHeight) / 2, entry.text);
    }
}
