// Local calendar days as whole numbers (day 0 is 1970-01-01), so that ranges, gaps and order are plain
// arithmetic; and their "yyyy-mm-dd" text.
#pragma once

#include <cstdint>
#include <string>

// Years the history accepts; anything else in a file is damage.
constexpr int kFirstHistoryYear = 1970;
constexpr int kLastHistoryYear = 9999;

int32_t DayNumberFromDate(int year, int month, int day);
void DateFromDayNumber(int32_t dayNumber, int& year, int& month, int& day);

// Day 4, 1970-01-05, was a Monday; weeks run from Monday to Sunday.
constexpr int32_t kFirstMonday = 4;
// The Monday on or before the day.
int32_t WeekStart(int32_t dayNumber);

// "2025-01-31".
std::wstring FormatDayNumber(int32_t dayNumber);
// "01-31": the short form under the chart's bars.
std::wstring FormatShortDay(int32_t dayNumber);

// Exactly "yyyy-mm-dd" naming a real calendar date within the accepted years; false otherwise.
bool ParseDayNumber(const std::string& text, int32_t& dayNumber);
