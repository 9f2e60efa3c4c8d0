// CQHistoryChart: the bar chart of the write history, drawn over a static control of the dialog. One
// column per bar (a day, or a week over long ranges): the bytes written aligned to 4096 as the bar, the raw
// bytes as an inner bar, bars without monitoring left empty and the bar of today hatched as still growing
// (never lower than a few pixels, so it shows at any range); the average per monitored day as a dashed
// line with its figure. With a drive chosen, a narrower bar beside each column's bar shows what the drive
// itself wrote as host writes over the bar's days. A legend under the dates names all of them (on more lines
// where one is too narrow). A spike higher than the axis (ChooseScaleReach) is cut off at the top, marked
// with a break and its figure over it.
//
// One bar is selected: the arrow keys (Home, End, Page Up and Page Down too) move the selection while the
// chart has the focus, a click selects the bar under the mouse, and every change is told to the parent as
// WM_COMMAND with kSelectionChanged. Hovering a bar shows its figures in a tooltip.
//
// Painting goes through an off-screen bitmap and the background is never erased, so resizing does not
// flicker. Nothing is measured or laid out while painting: that is done when the data or size changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/history/ChartScale.h"
#include "stats/history/HistoryBars.h"
#include "ui/controls/Control.h"

class CQHistoryChart : public CQControl
{
public:
    // The notification code of the WM_COMMAND that tells the parent of a new selection.
    static constexpr WORD kSelectionChanged = 0x4001;

    enum class LegendKind
    {
        aligned,
        written,
        drive,
        growing,
        average
    };
    struct LegendEntry
    {
        LegendKind kind;
        std::wstring text;
        RECT swatch; // client coordinates
        int textLeft;
    };

    CQHistoryChart() = default;
    ~CQHistoryChart() override;

    // The bars of the range, oldest first; their dates under them in steps of whole bars of `daysPerBar`
    // days counted from `labelDay` (the Monday of the first week for weeks). The average line is drawn
    // when `averageText` is not empty; the drive's bars (CQChartBar::driveWritten) and their legend entry
    // with `driveSeries`. The selection stays on the bar of the day it was on, else it goes to the last bar.
    void SetData(std::vector<CQChartBar> bars, int32_t labelDay, int daysPerBar, uint64_t averagePerDay,
                 const std::wstring& averageText, bool driveSeries = false);

    int GetBarCount() const { return static_cast<int>(m_arrBars.size()); }
    const CQChartBar& GetBar(int bar) const { return m_arrBars[static_cast<size_t>(bar)]; }
    // The bar that holds the day, or -1.
    int BarOfDay(int32_t day) const;
    // The client rectangle of the bar's column; false for no such bar.
    bool GetColumnRect(int bar, RECT& rect) const;
    // The bar as painted (the aligned figure's, clipped to the plot); false for a bar without monitoring
    // that holds no today.
    bool GetBarRect(int bar, RECT& rect) const;
    // The drive's bar beside it (clipped to the plot, at least a pixel high); false without a figure.
    bool GetDriveBarRect(int bar, RECT& rect) const;
    // Whether the bar (or the drive's beside it) is higher than the axis and drawn cut off.
    bool IsCutOff(int bar) const;
    // The bar whose column holds the client point, or -1.
    int BarAt(POINT point) const;
    int GetHoverBar() const { return m_intHoverBar; }
    int GetSelectedBar() const { return m_intSelectedBar; }
    // Selects the bar (held to the range) and tells the parent when the selection changed.
    void SelectBar(int bar);

    HWND GetToolTip() const { return m_hToolTip; }
    const CQChartScale& GetScale() const { return m_scale; }
    const std::vector<CQDateLabel>& GetDateLabels() const { return m_arrLabels; }
    const std::vector<LegendEntry>& GetLegend() const { return m_arrLegend; }

protected:
    void OnAttached() override;
    void OnDetaching() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Measures the texts and places the plot, the bars, the labels, the legend and the tooltip's tools.
    void Layout();
    // Lays out the legend's lines to end at `bottom`; returns the top of the first.
    int LayOutLegend(HDC hdc, int bottom);
    void RebuildTools();
    void Paint(HDC hdc) const;
    void PaintBars(HDC hdc) const;
    void PaintCutOffMarks(HDC hdc) const;
    void PaintAverage(HDC hdc) const;
    void PaintAxis(HDC hdc) const;
    void PaintLegend(HDC hdc) const;
    void OnMouseMove(LPARAM position);
    bool OnKeyDown(WPARAM key);
    void SetHoverBar(int bar);
    bool HasAverage() const { return !m_csAverageText.empty(); }
    // The measured bar's width and the drive's, which takes a third of the bar's room beside it.
    int MeasuredBarWidth() const;
    int DriveBarWidth() const;

    std::vector<CQChartBar> m_arrBars;
    int32_t m_intLabelDay = 0;
    int m_intDaysPerBar = 1;
    uint64_t m_qwordAverage = 0;
    std::wstring m_csAverageText;
    bool m_boolDriveSeries = false;

    CQChartScale m_scale;
    CQBarLayout m_bars;
    RECT m_rectPlot = {};
    int m_intTextHeight = 0;
    int m_intDateWidth = 0;
    std::vector<CQDateLabel> m_arrLabels;
    std::vector<LegendEntry> m_arrLegend;

    HWND m_hToolTip = nullptr;
    int m_intHoverBar = -1;
    int m_intSelectedBar = -1;
    bool m_boolTrackingLeave = false;
};
