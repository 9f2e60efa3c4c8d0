// What the write history reads of time, replaceable so that tests can set it.
#pragma once

#include <cstdint>

class CQHistoryClock
{
public:
    virtual ~CQHistoryClock() = default;
    // Today's local calendar date as a day number (DayNumber.h).
    virtual int32_t LocalDay() const;
    // Milliseconds the machine has been awake: steady, unmoved by changes of the calendar clock, and
    // not advanced while it sleeps.
    virtual uint64_t AwakeMilliseconds() const;
};

// The system's clock; lives as long as the program.
const CQHistoryClock& SystemHistoryClock();
