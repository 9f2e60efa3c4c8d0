#include "stats/history/DayNumber.h"

#include <cstdio>

namespace
{
bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}
} // namespace

// The civil-calendar conversion counts in 400-year eras of 146097 days starting on March 1st, so that
// the leap day is the last day of its year.
int32_t DayNumberFromDate(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void DateFromDayNumber(int32_t dayNumber, int& year, int& month, int& day)
{
    const int32_t z = dayNumber + 719468;
    const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int32_t dayOfEra = z - era * 146097;
    const int32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int32_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

int32_t WeekStart(int32_t dayNumber)
{
    int64_t offset = (static_cast<int64_t>(dayNumber) - kFirstMonday) % 7;
    if (offset < 0)
        offset += 7;
    return static_cast<int32_t>(dayNumber - offset);
}

std::wstring FormatDayNumber(int32_t dayNumber)
{
    int year = 0, month = 0, day = 0;
    DateFromDayNumber(dayNumber, year, month, day);
    wchar_t text[32];
    swprintf(text, 32, L"%04d-%02d-%02d", year, month, day);
    return text;
}

std::wstring FormatShortDay(int32_t dayNumber)
{
    int year = 0, month = 0, day = 0;
    DateFromDayNumber(dayNumber, year, month, day);
    wchar_t text[16];
    swprintf(text, 16, L"%02d-%02d", month, day);
    return text;
}

bool ParseDayNumber(const std::string& text, int32_t& dayNumber)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    int parts[3] = {};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
    {
        for (int i = 0; i < lengths[p]; ++i)
        {
            const char c = text[static_cast<size_t>(starts[p] + i)];
            if (c < '0' || c > '9')
                return false;
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    const int year = parts[0], month = parts[1], day = parts[2];
    if (year < kFirstHistoryYear || year > kLastHistoryYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    dayNumber = DayNumberFromDate(year, month, day);
    return true;
}
