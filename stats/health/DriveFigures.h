// The figures of a drive beside what Tavrello measured: its daily write rate and the life it has left,
// from its own wear or from the endurance it is rated for. Pure arithmetic, apart from any window.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "stats/health/DriveDay.h"

// The drive's own counter gives the rate once its readings span this many days: the rows hold one reading
// a day at an unknown hour, so a shorter span could be off by most of a day.
constexpr int32_t kDriveRateMinDays = 7;
// Tavrello's measured rate needs what the main window's life estimate needs: more than five minutes.
constexpr uint64_t kMeasuredRateMinSeconds = 300;
// One whole-percent step of wear says too little to extrapolate from: the life from wear needs two.
constexpr uint32_t kWearMinPercent = 2;

struct CQDriveRate
{
    enum class From
    {
        none,
        drive,   // the growth of the drive's counter over the days read
        measured // what Tavrello measured on the drive's volumes per monitored day
    };
    From from = From::none;
    uint64_t bytesPerDay = 0;
    int32_t days = 0; // the span of the drive's readings
};

// `rows` are the drive's, oldest first. The drive's rate is (last - first written) / days between them; the
// measured one is (measuredBytes / monitoringSeconds) x 86400 as the main window computes its writes per day.
CQDriveRate ChooseDailyRate(const std::vector<CQDriveDay>& rows, uint64_t measuredBytes,
                            uint64_t monitoringSeconds);

struct CQLifeLeft
{
    enum class Kind
    {
        unknown,  // the drive does not give what the method needs
        tooEarly, // not enough wear or no rate yet
        reached,  // the drive has used its life
        days
    };
    Kind kind = Kind::unknown;
    uint64_t days = 0;
};

// Host bytes x 100 / percent used, from 1 % and one byte on; saturates.
std::optional<uint64_t> ImpliedEndurance(std::optional<uint64_t> hostBytes,
                                         std::optional<uint32_t> percentUsed);
// (implied endurance - host bytes) / rate, from kWearMinPercent on; reached at 100 % and above.
CQLifeLeft LifeFromWear(std::optional<uint64_t> hostBytes, std::optional<uint32_t> percentUsed,
                        const CQDriveRate& rate);
// (rated bytes - host bytes) / rate; unknown without a rating.
CQLifeLeft LifeFromRating(std::optional<uint64_t> hostBytes, uint64_t ratedBytes, const CQDriveRate& rate);

// A rating in terabytes written (decimal, as makers state it) in bytes.
constexpr uint64_t kRatingUnitBytes = 1000000000000ull;
