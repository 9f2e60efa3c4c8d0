#include "stats/health/DriveHealthTexts.h"

#include <cwchar>

#include "engine/health/DiskReader.h"
#include "stats/Figures.h"
#include "stats/Format.h"
#include "stats/health/DriveAlerts.h"
#include "stats/history/DayNumber.h"

const CQDriveHealthColumnInfo g_driveHealthColumns[kDriveHealthColumns] = {
    {L"Drives", 34},      {L"Model", 110},           {L"Capacity", 46}, {L"Bus", 30},
    {L"Host writes", 50}, {L"Since first read", 62}, {L"Measured", 50}, {L"Ratio", 30},
    {L"Wear", 30},        {L"Power-on", 44},         {L"Temp.", 30},    {L"Rated", 44},
    {L"Life left", 50},   {L"Method", 80},           {L"Notes", 140},
};

namespace
{
struct Choice
{
    CQLifeLeft life;
    bool fromWear = true;
};

Choice ChooseLife(const CQDriveHealthView& view)
{
    const CQDiskReading& reading = view.reading;
    const CQLifeLeft wear = LifeFromWear(reading.hostBytesWritten, reading.percentUsed, view.rate);
    const CQLifeLeft rating = LifeFromRating(
        reading.hostBytesWritten, static_cast<uint64_t>(view.ratedTbw) * kRatingUnitBytes, view.rate);
    // The drive's own wear first; a rating where the wear cannot tell yet.
    if (wear.kind == CQLifeLeft::Kind::days || wear.kind == CQLifeLeft::Kind::reached ||
        rating.kind == CQLifeLeft::Kind::unknown)
        return {wear, true};
    return {rating, false};
}

// The growth of a count since the comparison began; a count that went back gives nothing.
uint64_t Since(uint64_t now, uint64_t start)
{
    return now >= start ? now - start : 0;
}

std::wstring RateName(const CQDriveRate& rate)
{
    switch (rate.from)
    {
    case CQDriveRate::From::drive:
        return L"drive's rate";
    case CQDriveRate::From::measured:
        return L"measured rate";
    default:
        return std::wstring();
    }
}

std::wstring Ratio(uint64_t drive, uint64_t measured)
{
    if (measured == 0)
        return std::wstring();
    wchar_t text[32];
    std::swprintf(text, 32, L"%.2f", static_cast<double>(drive) / static_cast<double>(measured));
    return text;
}

std::wstring Notes(const CQDiskReading& reading)
{
    if (reading.state != CQDiskState::read)
        return reading.detail;
    std::wstring notes;
    auto add = [&notes](const std::wstring& text) { notes += (notes.empty() ? L"" : L"; ") + text; };
    if (reading.criticalWarning.value_or(0) != 0)
    {
        wchar_t text[48];
        std::swprintf(text, 48, L"critical warning 0x%02X", static_cast<unsigned>(*reading.criticalWarning));
        add(text);
    }
    if (reading.availableSpare && reading.spareThreshold)
        add(L"spare " + std::to_wstring(*reading.availableSpare) + L" % (threshold " +
            std::to_wstring(*reading.spareThreshold) + L" %)");
    if (reading.rawWriteAttribute != 0)
        add(L"attribute " + std::to_wstring(reading.rawWriteAttribute) + L" raw " +
            std::to_wstring(reading.rawWriteValue) + L", unit unknown for this drive");
    if (!reading.hostBytesWritten && reading.rawWriteAttribute == 0)
        add(L"no host write counter");
    return notes;
}

std::wstring IdentitySentence(const CQDriveHealthView& view)
{
    const CQDiskReading& reading = view.reading;
    std::wstring text = DriveTitle(reading);
    if (!reading.serial.empty())
        text += L", serial " + reading.serial;
    if (!reading.firmware.empty())
        text += L", firmware " + reading.firmware;
    if (reading.state != CQDiskState::read)
        return text + L": " + reading.detail + L".";
    std::wstring figures;
    auto add = [&figures](const std::wstring& part) { figures += (figures.empty() ? L"" : L", ") + part; };
    if (reading.hostBytesWritten)
        add(FormatSize(*reading.hostBytesWritten) + L" written by the host (" +
            HealthSourceName(reading.source) + L")");
    if (reading.percentUsed)
        add(std::to_wstring(*reading.percentUsed) + L" % of its life used" +
            (reading.wearFromAttribute ? L" (from a vendor attribute)" : L""));
    if (reading.powerOnHours)
        add(std::to_wstring(*reading.powerOnHours) + L" hours powered on");
    return text + (figures.empty() ? L"." : L": " + figures + L".");
}

std::wstring ComparisonSentence(const CQDriveHealthView& view)
{
    if (!view.compared || !view.reading.hostBytesWritten)
        return std::wstring();
    const uint64_t drive = Since(*view.reading.hostBytesWritten, view.baseline.written);
    const uint64_t measured = Since(view.measuredNow, view.baseline.measured);
    std::wstring text = L"Since " + FormatDayNumber(view.baseline.day) +
                        L", when Tavrello first read it, the drive "
                        L"counted " +
                        FormatSize(drive) + L" and Tavrello measured " + FormatSize(measured) +
                        L" on its volumes";
    const std::wstring ratio = Ratio(drive, measured);
    return text + (ratio.empty() ? L"." : L" (ratio " + ratio + L").");
}

std::wstring LifeSentence(const CQDriveHealthView& view, const Choice& choice)
{
    const CQDiskReading& reading = view.reading;
    if (choice.life.kind == CQLifeLeft::Kind::unknown)
        return std::wstring();
    std::wstring text = L"Life left: " + FormatLifeLeft(choice.life);
    if (choice.fromWear)
    {
        text += L" from the drive's own wear";
        if (const std::optional<uint64_t> endurance =
                ImpliedEndurance(reading.hostBytesWritten, reading.percentUsed))
            text += L" (implied endurance " + FormatSize(*endurance) + L")";
    }
    else
    {
        text += L" from its rating of " + std::to_wstring(view.ratedTbw) + L" TBW";
    }
    if (choice.life.kind == CQLifeLeft::Kind::tooEarly)
    {
        if (choice.fromWear && reading.percentUsed && *reading.percentUsed < kWearMinPercent)
            return text + L": " + std::to_wstring(*reading.percentUsed) +
                   L" % of wear is one whole-percent step at most, too little to extrapolate from.";
        return text +
               L": there is no daily rate yet (Tavrello's needs more than five minutes of monitoring, the "
               L"drive's own a week of readings).";
    }
    if (choice.life.kind == CQLifeLeft::Kind::days)
    {
        text += view.rate.from == CQDriveRate::From::drive ? L", at the drive's own rate of "
                                                           : L", at Tavrello's measured rate of ";
        text += FormatSize(view.rate.bytesPerDay) + L" a day";
        if (view.rate.from == CQDriveRate::From::drive)
            text += L" over " + std::to_wstring(view.rate.days) + L" days";
    }
    return text + L".";
}
} // namespace

std::wstring FormatLifeLeft(const CQLifeLeft& life)
{
    switch (life.kind)
    {
    case CQLifeLeft::Kind::days:
        return FormatLife(life.days);
    case CQLifeLeft::Kind::tooEarly:
        return L"too early";
    case CQLifeLeft::Kind::reached:
        return L"none left";
    default:
        return std::wstring();
    }
}

CQDriveHealthCells DescribeDrive(const CQDriveHealthView& view)
{
    CQDriveHealthCells out;
    const CQDiskReading& reading = view.reading;
    std::wstring* cells = out.cells;
    cells[kColumnDrives] = reading.letters;
    cells[kColumnModel] = reading.model;
    cells[kColumnCapacity] = reading.sizeBytes != 0 ? FormatSize(reading.sizeBytes) : std::wstring();
    cells[kColumnBus] = reading.busType != 0 || reading.state == CQDiskState::read
                            ? BusTypeName(reading.busType)
                            : std::wstring();
    cells[kColumnNotes] = Notes(reading);
    out.summary = IdentitySentence(view);
    if (reading.state != CQDiskState::read)
        return out;
    if (reading.hostBytesWritten)
        cells[kColumnHostWrites] = FormatSize(*reading.hostBytesWritten);
    if (view.compared && reading.hostBytesWritten)
    {
        const uint64_t drive = Since(*reading.hostBytesWritten, view.baseline.written);
        const uint64_t measured = Since(view.measuredNow, view.baseline.measured);
        cells[kColumnSinceFirstRead] = FormatSize(drive);
        cells[kColumnMeasured] = FormatSize(measured);
        cells[kColumnRatio] = Ratio(drive, measured);
    }
    if (reading.percentUsed)
        cells[kColumnWear] = std::to_wstring(*reading.percentUsed) + L" %";
    if (reading.powerOnHours)
        cells[kColumnPowerOn] = std::to_wstring(*reading.powerOnHours) + L" h";
    if (reading.temperature)
        cells[kColumnTemperature] = std::to_wstring(*reading.temperature) + L" \u00B0C";
    if (view.ratedTbw != 0)
        cells[kColumnRated] = std::to_wstring(view.ratedTbw) + L" TBW";
    const Choice choice = ChooseLife(view);
    cells[kColumnLifeLeft] = FormatLifeLeft(choice.life);
    if (choice.life.kind != CQLifeLeft::Kind::unknown)
    {
        cells[kColumnMethod] = choice.fromWear ? L"wear" : L"rated TBW";
        if (choice.life.kind == CQLifeLeft::Kind::days)
            cells[kColumnMethod] += L", " + RateName(view.rate);
    }
    for (const std::wstring& sentence : {ComparisonSentence(view), LifeSentence(view, choice)})
    {
        if (!sentence.empty())
            out.summary += L"\r\n" + sentence;
    }
    return out;
}
