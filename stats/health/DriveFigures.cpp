#include "stats/health/DriveFigures.h"

namespace
{
constexpr uint64_t kSecondsPerDay = 86400;

CQLifeLeft DaysAt(uint64_t remaining, const CQDriveRate& rate)
{
    CQLifeLeft life;
    if (rate.from == CQDriveRate::From::none || rate.bytesPerDay == 0)
    {
        life.kind = CQLifeLeft::Kind::tooEarly;
        return life;
    }
    life.kind = CQLifeLeft::Kind::days;
    life.days = remaining / rate.bytesPerDay;
    return life;
}
} // namespace

CQDriveRate ChooseDailyRate(const std::vector<CQDriveDay>& rows, uint64_t measuredBytes,
                            uint64_t monitoringSeconds)
{
    CQDriveRate rate;
    const CQDriveDay* first = nullptr;
    const CQDriveDay* last = nullptr;
    for (const CQDriveDay& row : rows)
    {
        if (!row.written)
            continue;
        if (first == nullptr)
            first = &row;
        last = &row;
    }
    if (first != nullptr && last->day - first->day >= kDriveRateMinDays && *last->written >= *first->written)
    {
        rate.from = CQDriveRate::From::drive;
        rate.days = last->day - first->day;
        rate.bytesPerDay = (*last->written - *first->written) / static_cast<uint64_t>(rate.days);
        return rate;
    }
    if (monitoringSeconds > kMeasuredRateMinSeconds)
    {
        rate.from = CQDriveRate::From::measured;
        rate.bytesPerDay = (measuredBytes / monitoringSeconds) * kSecondsPerDay;
    }
    return rate;
}

std::optional<uint64_t> ImpliedEndurance(std::optional<uint64_t> hostBytes,
                                         std::optional<uint32_t> percentUsed)
{
    // Without any bytes written the wear says nothing about the bytes to come.
    if (!hostBytes || *hostBytes == 0 || !percentUsed || *percentUsed == 0)
        return std::nullopt;
    const unsigned __int128 endurance = static_cast<unsigned __int128>(*hostBytes) * 100 / *percentUsed;
    return endurance > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(endurance);
}

CQLifeLeft LifeFromWear(std::optional<uint64_t> hostBytes, std::optional<uint32_t> percentUsed,
                        const CQDriveRate& rate)
{
    CQLifeLeft life;
    const std::optional<uint64_t> endurance = ImpliedEndurance(hostBytes, percentUsed);
    if (!hostBytes || !percentUsed)
        return life;
    if (*percentUsed >= 100)
        life.kind = CQLifeLeft::Kind::reached;
    else if (*percentUsed < kWearMinPercent || !endurance)
        life.kind = CQLifeLeft::Kind::tooEarly;
    else
        life = DaysAt(*endurance - *hostBytes, rate);
    return life;
}

CQLifeLeft LifeFromRating(std::optional<uint64_t> hostBytes, uint64_t ratedBytes, const CQDriveRate& rate)
{
    CQLifeLeft life;
    if (!hostBytes || ratedBytes == 0)
        return life;
    if (*hostBytes >= ratedBytes)
        life.kind = CQLifeLeft::Kind::reached;
    else
        life = DaysAt(ratedBytes - *hostBytes, rate);
    return life;
}
