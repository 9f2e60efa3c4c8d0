// When the next autosave is due. The program has one timer, the one-second refresh, so the schedule
// counts its ticks.
#pragma once

#include <cstdint>

class CQAutosaveSchedule
{
public:
    // One refresh tick with the interval as it is set now; true on the tick that ends an interval of
    // `minutes` minutes of ticks. 0 (or less) turns the schedule off and starts it again from zero.
    bool Tick(int minutes);

private:
    int64_t m_intTicks = 0;
};
