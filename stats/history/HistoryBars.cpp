#include "stats/history/HistoryBars.h"

#include <unordered_map>

#include "stats/history/DayAccounting.h"
#include "stats/history/DayNumber.h"

namespace
{
constexpr int kDaysPerWeek = 7;

void AddRow(CQChartBar& bar, const CQHistoryDay& row, std::unordered_map<std::wstring, uint64_t>& writers)
{
    bar.sum.written = SaturatingAdd(bar.sum.written, row.written);
    bar.sum.writtenAligned = SaturatingAdd(bar.sum.writtenAligned, row.writtenAligned);
    bar.sum.read = SaturatingAdd(bar.sum.read, row.read);
    bar.sum.operations = SaturatingAdd(bar.sum.operations, row.operations);
    bar.sum.monitoringSeconds = SaturatingAdd(bar.sum.monitoringSeconds, row.monitoringSeconds);
    for (const CQTopWriter& writer : row.topWriters)
    {
        uint64_t& bytes = writers[writer.name];
        bytes = SaturatingAdd(bytes, writer.bytes);
    }
    ++bar.monitoredDays;
}
} // namespace

int DaysPerBar(int rangeDays)
{
    return rangeDays > kLongestDailyRange ? kDaysPerWeek : 1;
}

std::vector<CQChartBar> GroupIntoBars(const std::vector<CQHistoryDay>& days, int32_t firstDay,
                                      int32_t lastDay, int32_t today, int daysPerBar)
{
    std::vector<CQChartBar> bars;
    if (lastDay < firstDay)
        return bars;
    auto row = std::lower_bound(days.begin(), days.end(), firstDay,
                                [](const CQHistoryDay& day, int32_t value) { return day.day < value; });
    for (int64_t start = firstDay; start <= lastDay;)
    {
        // A week ends on a Sunday; a day bar is its day.
        int64_t end = daysPerBar == kDaysPerWeek ? WeekStart(static_cast<int32_t>(start)) + kDaysPerWeek - 1
                                                 : start + std::max(1, daysPerBar) - 1;
        end = std::min<int64_t>(end, lastDay);
        CQChartBar bar;
        bar.sum.day = static_cast<int32_t>(start);
        bar.dayCount = static_cast<int>(end - start + 1);
        bar.includesToday = today >= start && today <= end;
        if (bar.dayCount == 1)
        {
            // A day's bar is its row as it stands.
            if (row != days.end() && row->day == start)
            {
                bar.sum = *row++;
                bar.monitoredDays = 1;
            }
        }
        else
        {
            std::unordered_map<std::wstring, uint64_t> writers;
            for (; row != days.end() && row->day <= end; ++row)
                AddRow(bar, *row, writers);
            bar.sum.topWriters = PickTopWriters(writers);
        }
        bars.push_back(std::move(bar));
        start = end + 1;
    }
    return bars;
}
