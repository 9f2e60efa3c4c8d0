// The history chart's geometry as pure arithmetic: the value axis, the bars' columns and the thinning of
// the date labels under them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A value axis from 0 to `top` bytes with a tick every `step` bytes, labelled in one unit.
struct CQChartScale
{
    double top = 0;
    double step = 0;
    int intervals = 0;               // ticks are 0, step, ... , intervals x step = top
    double unit = 1;                 // bytes of the labels' unit
    const wchar_t* unitText = L" b"; // as in the program's size texts
};

// At most five intervals of 1, 2 or 5 times a power of ten in the unit the program's size text would
// give the largest value ("12.34 Gb" counts in Gb). Nothing to show gives an axis up to 4 Kb.
CQChartScale ChooseChartScale(uint64_t largestValue);
// A tick's text in the axis unit: a whole number where the tick is one ("150 Gb"), else with the decimals
// the step needs ("1.5 Kb").
std::wstring FormatAxisValue(double bytes, const CQChartScale& scale);

// A bar higher than this many times the upper quartile of the bars is a spike.
constexpr uint64_t kSpikeFactor = 3;
// The value the axis has to reach so that one spike does not flatten every other bar: the largest value
// that is no spike. With fewer than four bars above zero every value counts. The chart draws a spike
// cut off at the top of the axis, marked, with its figure over it.
uint64_t ChooseScaleReach(std::vector<uint64_t> values);
// Pixels of a value's bar on a plot `plotHeight` high, 0 to plotHeight.
int BarHeight(uint64_t value, const CQChartScale& scale, int plotHeight);

// Columns of `barCount` equal bars across a plot; a bar fills most of its column, at least a pixel.
struct CQBarLayout
{
    int plotLeft = 0;
    int plotWidth = 0;
    int barCount = 0;
    double pitch = 0; // column width in pixels
    int barWidth = 0;
};

CQBarLayout LayOutBars(int plotLeft, int plotWidth, int barCount);
// The column of bar `index`: [left, right).
int ColumnLeft(const CQBarLayout& layout, int index);
int ColumnRight(const CQBarLayout& layout, int index);
// The bar drawn inside its column, centred: [left, left + barWidth).
int BarLeft(const CQBarLayout& layout, int index);
// The bar whose column holds x, or -1.
int BarAt(const CQBarLayout& layout, int x);

// A date label under bar `bar`, its text starting at `left`.
struct CQDateLabel
{
    int bar;
    int left;
};

// Labels `labelWidth` wide for bars of `daysPerBar` days each (1, or 7 for weeks), the first bar starting
// at day `firstDay`: every n-th day (1, 2, 3, 7, 14, 28 ... days, whole bars: the smallest that leaves
// `gap` pixels between neighbours, weeks on Mondays), centred under its bar and held inside the plot. None
// overlaps another or leaves the plot.
std::vector<CQDateLabel> PlaceDateLabels(int32_t firstDay, int daysPerBar, const CQBarLayout& layout,
                                         int labelWidth, int gap);
