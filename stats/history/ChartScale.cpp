#include "stats/history/ChartScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "stats/history/DayNumber.h"

namespace
{
constexpr int kMaxIntervals = 5;
// Share of its column that a bar fills.
constexpr double kBarFill = 0.75;
// The label strides in days after which multiples of a year follow.
constexpr int kStrides[] = {1, 2, 3, 7, 14, 28, 56, 91, 182, 364};
int32_t PositiveModulo(int64_t value, int32_t divisor)
{
    const int64_t rest = value % divisor;
    return static_cast<int32_t>(rest < 0 ? rest + divisor : rest);
}
} // namespace

CQChartScale ChooseChartScale(uint64_t largestValue)
{
    static const struct
    {
        double bytes;
        const wchar_t* text;
    } kUnits[] = {{1125899906842624.0, L" Pb"},
                  {1099511627776.0, L" Tb"},
                  {1073741824.0, L" Gb"},
                  {1048576.0, L" Mb"},
                  {1024.0, L" Kb"}};
    CQChartScale scale;
    const double value = largestValue == 0 ? 4096.0 : static_cast<double>(largestValue);
    // The unit the program's size text would take: the first one the value is strictly above.
    for (const auto& unit : kUnits)
    {
        if (value > unit.bytes)
        {
            scale.unit = unit.bytes;
            scale.unitText = unit.text;
            break;
        }
    }
    const double inUnits = value / scale.unit;
    const double rough = inUnits / kMaxIntervals;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double normal = rough / magnitude;
    const double nice = normal <= 1.0 ? 1.0 : normal <= 2.0 ? 2.0 : normal <= 5.0 ? 5.0 : 10.0;
    // Bytes come whole.
    const double step = scale.unit == 1.0 ? std::max(1.0, nice * magnitude) : nice * magnitude;
    // A hair of tolerance, so that a value right on a tick does not get another interval.
    int intervals = static_cast<int>(std::ceil(inUnits / step * (1.0 - 1e-12)));
    intervals = std::max(1, std::min(intervals, kMaxIntervals));
    scale.step = step * scale.unit;
    scale.intervals = intervals;
    scale.top = scale.step * intervals;
    return scale;
}

std::wstring FormatAxisValue(double bytes, const CQChartScale& scale)
{
    // Steps are 1, 2 or 5 times a power of ten: below 1 they need as many decimals as that power says.
    const double step = scale.step / scale.unit;
    const int decimals = step > 0 && step < 1 ? static_cast<int>(std::ceil(-std::log10(step) - 1e-9)) : 0;
    wchar_t buffer[64];
    swprintf(buffer, 64, L"%.*f", decimals, bytes / scale.unit);
    std::wstring text = buffer;
    if (text.find(L'.') != std::wstring::npos)
    {
        while (text.back() == L'0')
            text.pop_back();
        if (text.back() == L'.')
            text.pop_back();
    }
    return text + scale.unitText;
}

uint64_t ChooseScaleReach(std::vector<uint64_t> values)
{
    values.erase(std::remove(values.begin(), values.end(), uint64_t(0)), values.end());
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    if (values.size() < 4)
        return values.back();
    // The upper quartile by nearest rank: the value at rank ceil(3n / 4).
    const uint64_t quartile = values[(values.size() * 3 + 3) / 4 - 1];
    const uint64_t limit = quartile > UINT64_MAX / kSpikeFactor ? UINT64_MAX : quartile * kSpikeFactor;
    return *(std::upper_bound(values.begin(), values.end(), limit) - 1);
}

int BarHeight(uint64_t value, const CQChartScale& scale, int plotHeight)
{
    if (plotHeight <= 0 || scale.top <= 0)
        return 0;
    const double share = std::min(1.0, static_cast<double>(value) / scale.top);
    return static_cast<int>(std::lround(share * plotHeight));
}

CQBarLayout LayOutBars(int plotLeft, int plotWidth, int barCount)
{
    CQBarLayout layout;
    layout.plotLeft = plotLeft;
    layout.plotWidth = std::max(0, plotWidth);
    layout.barCount = std::max(0, barCount);
    if (layout.barCount > 0)
        layout.pitch = static_cast<double>(layout.plotWidth) / layout.barCount;
    layout.barWidth = std::max(1, static_cast<int>(std::lround(layout.pitch * kBarFill)));
    return layout;
}

int ColumnLeft(const CQBarLayout& layout, int index)
{
    if (layout.barCount <= 0)
        return layout.plotLeft;
    return layout.plotLeft +
           static_cast<int>(static_cast<int64_t>(index) * layout.plotWidth / layout.barCount);
}

int ColumnRight(const CQBarLayout& layout, int index)
{
    return ColumnLeft(layout, index + 1);
}

int BarLeft(const CQBarLayout& layout, int index)
{
    const int left = ColumnLeft(layout, index);
    const int width = ColumnRight(layout, index) - left;
    return left + std::max(0, (width - layout.barWidth) / 2);
}

int BarAt(const CQBarLayout& layout, int x)
{
    if (layout.barCount <= 0 || layout.plotWidth <= 0 || x < layout.plotLeft)
        return -1;
    int index =
        static_cast<int>(static_cast<int64_t>(x - layout.plotLeft) * layout.barCount / layout.plotWidth);
    // Columns are whole pixels of uneven widths: the estimate may be one off.
    while (index > 0 && x < ColumnLeft(layout, index))
        --index;
    while (index < layout.barCount && x >= ColumnRight(layout, index))
        ++index;
    return index < layout.barCount ? index : -1;
}

std::vector<CQDateLabel> PlaceDateLabels(int32_t firstDay, int daysPerBar, const CQBarLayout& layout,
                                         int labelWidth, int gap)
{
    std::vector<CQDateLabel> labels;
    if (layout.barCount <= 0 || labelWidth <= 0 || layout.pitch <= 0 || labelWidth > layout.plotWidth ||
        daysPerBar <= 0)
        return labels;
    const double needed = labelWidth + std::max(0, gap);
    // Pixels of one day.
    const double dayPitch = layout.pitch / daysPerBar;
    int stride = 0;
    for (int candidate : kStrides)
    {
        if (candidate % daysPerBar == 0 && candidate * dayPitch >= needed)
        {
            stride = candidate;
            break;
        }
    }
    if (stride == 0)
        stride = 364 * static_cast<int>(std::ceil(needed / (364 * dayPitch)));
    const int plotRight = layout.plotLeft + layout.plotWidth;
    bool lastShifted = false;
    for (int bar = 0; bar < layout.barCount; ++bar)
    {
        if (PositiveModulo(static_cast<int64_t>(firstDay) + static_cast<int64_t>(bar) * daysPerBar -
                               kFirstMonday,
                           stride) != 0)
            continue;
        const int centre = (ColumnLeft(layout, bar) + ColumnRight(layout, bar)) / 2;
        const int centred = centre - labelWidth / 2;
        const int left = std::max(layout.plotLeft, std::min(centred, plotRight - labelWidth));
        const bool shifted = left != centred;
        // A label at an end, shifted to stay inside the plot, can come too close to its neighbour: the
        // shifted one gives way, so the labels keep their even stride.
        if (!labels.empty() && left < labels.back().left + labelWidth + gap)
        {
            if (!lastShifted)
                continue;
            labels.pop_back();
        }
        labels.push_back(CQDateLabel{bar, left});
        lastShifted = shifted;
    }
    return labels;
}
