// CQHistoryChart: the bar chart of the write history, drawn over a static control of the dialog. One
// column per day of the range: the bytes written aligned to 4096 as the bar, the raw bytes as an inner
// bar, days without monitoring left empty and today's bar hatched as still growing; the average per
// monitored day as a dashed line with its figure. Hovering a bar shows the day in a tooltip.
//
// Painting goes through an off-screen bitmap and the background is never erased, so resizing does not
// flicker. Nothing is measured or laid out while painting: that is done when the data or size changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/history/ChartScale.h"
#include "stats/history/HistoryDay.h"
#include "ui/controls/Control.h"

class CQHistoryChart : public CQControl
{
public:
    CQHistoryChart() = default;
    ~CQHistoryChart() override;

    // The range shows dayCount days from firstDay on; `days` holds the rows within it, oldest first.
    void SetData(int32_t firstDay, int dayCount, int32_t today, std::vector<CQHistoryDay> days,
                 uint64_t averagePerDay, const std::wstring& averageText);

    // The client rectangle of the monitored day's bar column; false when the day has no bar.
    bool GetColumnRect(int32_t day, RECT& rect) const;
    // The monitored day whose column holds the client point, or INT32_MIN.
    int32_t DayAt(POINT point) const;
    int32_t GetHoverDay() const { return m_intHoverBar >= 0 ? m_intFirstDay + m_intHoverBar : INT32_MIN; }
    HWND GetToolTip() const { return m_hToolTip; }
    const CQChartScale& GetScale() const { return m_scale; }
    const std::vector<CQDateLabel>& GetDateLabels() const { return m_arrLabels; }

protected:
    void OnAttached() override;
    void OnDetaching() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Measures the texts and places the plot, the bars, the labels and the tooltip's tools.
    void Layout();
    void RebuildTools();
    void Paint(HDC hdc) const;
    void PaintBars(HDC hdc) const;
    void PaintAxis(HDC hdc) const;
    void OnMouseMove(LPARAM position);
    void SetHoverBar(int bar);
    // Row index of the bar, or -1 for a day without monitoring.
    int RowOfBar(int bar) const;

    int32_t m_intFirstDay = 0;
    int m_intDayCount = 0;
    int32_t m_intToday = 0;
    std::vector<CQHistoryDay> m_arrDays;
    std::vector<int> m_arrRowOfBar;
    uint64_t m_qwordAverage = 0;
    std::wstring m_csAverageText;

    CQChartScale m_scale;
    CQBarLayout m_bars;
    RECT m_rectPlot = {};
    int m_intTextHeight = 0;
    int m_intDateWidth = 0;
    std::vector<CQDateLabel> m_arrLabels;

    HWND m_hToolTip = nullptr;
    int m_intHoverBar = -1;
    bool m_boolTrackingLeave = false;
};
