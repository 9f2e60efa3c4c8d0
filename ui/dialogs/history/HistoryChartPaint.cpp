// CQHistoryChart: painting, all of it into an off-screen bitmap.
#include "ui/dialogs/history/HistoryChart.h"

#include <algorithm>

#include "stats/history/DayNumber.h"
#include "ui/controls/ControlColors.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/MemDC.h"

namespace
{
constexpr COLORREF kGridColor = RGB(90, 90, 94);
constexpr COLORREF kHoverColor = RGB(78, 78, 82);
constexpr COLORREF kAlignedColor = RGB(0, 122, 204);
constexpr COLORREF kWrittenColor = RGB(130, 195, 255);
constexpr COLORREF kAverageColor = RGB(255, 170, 60);
constexpr int kTextGap = 4;

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
} // namespace

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

    PaintAxis(hdc);
    PaintBars(hdc);

    if (m_arrDays.empty())
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
        DrawTextAt(hdc, label.left, m_rectPlot.bottom + 2, FormatShortDay(m_intFirstDay + label.bar));
}

void CQHistoryChart::PaintBars(HDC hdc) const
{
    const int height = m_rectPlot.bottom - m_rectPlot.top;
    if (m_intHoverBar >= 0)
    {
        const RECT column = {ColumnLeft(m_bars, m_intHoverBar), m_rectPlot.top,
                             ColumnRight(m_bars, m_intHoverBar), m_rectPlot.bottom};
        Fill(hdc, column, kHoverColor);
    }
    CQBrush growing(::CreateHatchBrush(HS_BDIAGONAL, kAlignedColor));
    CQBrush frame(::CreateSolidBrush(kAlignedColor));
    for (int bar = 0; bar < m_intDayCount; ++bar)
    {
        const int row = RowOfBar(bar);
        if (row < 0)
            continue;
        const CQHistoryDay& day = m_arrDays[static_cast<size_t>(row)];
        const int left = BarLeft(m_bars, bar);
        const int alignedTop =
            m_rectPlot.bottom - std::max(1, BarHeight(day.writtenAligned, m_scale, height));
        const RECT outer = {left, alignedTop, left + m_bars.barWidth, m_rectPlot.bottom};
        if (day.day == m_intToday)
        {
            // Today is not over: hatched inside a frame.
            ::SetBkColor(hdc, kControlBackgroundColor);
            ::SetBkMode(hdc, OPAQUE);
            ::FillRect(hdc, &outer, growing.Get());
            ::FrameRect(hdc, &outer, frame.Get());
            ::SetBkMode(hdc, TRANSPARENT);
        }
        else
        {
            Fill(hdc, outer, kAlignedColor);
        }
        const int innerWidth = std::max(1, m_bars.barWidth / 2);
        const int innerLeft = left + (m_bars.barWidth - innerWidth) / 2;
        const int writtenHeight = BarHeight(day.written, m_scale, height);
        if (writtenHeight > 0)
            Fill(
                hdc,
                RECT{innerLeft, m_rectPlot.bottom - writtenHeight, innerLeft + innerWidth, m_rectPlot.bottom},
                kWrittenColor);
    }

    if (m_arrDays.empty())
        return;
    const int y = m_rectPlot.bottom - BarHeight(m_qwordAverage, m_scale, height);
    CQGdiObject<HPEN> dashed(::CreatePen(PS_DOT, 1, kAverageColor));
    CQSelect selectPen(hdc, dashed.Get());
    ::SetBkMode(hdc, TRANSPARENT);
    ::MoveToEx(hdc, m_rectPlot.left, y, nullptr);
    ::LineTo(hdc, m_rectPlot.right, y);
    ::SetTextColor(hdc, kAverageColor);
    ::SetTextAlign(hdc, TA_RIGHT | TA_BOTTOM);
    DrawTextAt(hdc, m_rectPlot.right, y - 1, L"average " + m_csAverageText);
    ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
    ::SetTextColor(hdc, kControlTextColor);
}
