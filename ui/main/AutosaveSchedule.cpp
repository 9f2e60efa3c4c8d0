#include "ui/main/AutosaveSchedule.h"

namespace
{
constexpr int64_t kTicksPerMinute = 60;
} // namespace

bool CQAutosaveSchedule::Tick(int minutes)
{
    if (minutes <= 0)
    {
        m_intTicks = 0;
        return false;
    }
    if (++m_intTicks < static_cast<int64_t>(minutes) * kTicksPerMinute)
        return false;
    m_intTicks = 0;
    return true;
}
