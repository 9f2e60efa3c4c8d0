#include "engine/health/VendorAttributes.h"

#include <cwchar>
#include <cwctype>

#include "engine/health/DiskReading.h"
#include "engine/health/LittleEndian.h"

namespace
{
enum class Maker
{
    other,
    crucialMicron,
    intel,
    samsung,
    kingstonSanDisk,
    toshibaHk4r
};

std::wstring Upper(const std::wstring& text)
{
    std::wstring upper(text);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    return upper;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// Crucial's own model strings begin "CT" and a digit ("CT1000MX500SSD1"), some older ones "Crucial_".
Maker MakerOf(const std::wstring& model)
{
    const std::wstring upper = Upper(model);
    if (StartsWith(upper, L"CRUCIAL") || StartsWith(upper, L"MICRON") ||
        (upper.size() > 2 && StartsWith(upper, L"CT") && std::iswdigit(upper[2])))
        return Maker::crucialMicron;
    if (StartsWith(upper, L"INTEL"))
        return Maker::intel;
    if (StartsWith(upper, L"SAMSUNG"))
        return Maker::samsung;
    if (StartsWith(upper, L"KINGSTON") || StartsWith(upper, L"SANDISK"))
        return Maker::kingstonSanDisk;
    if (upper.find(L"HK4R") != std::wstring::npos)
        return Maker::toshibaHk4r;
    return Maker::other;
}

const CQSmartAttribute* Find(const std::vector<CQSmartAttribute>& attributes, uint8_t id)
{
    for (const CQSmartAttribute& attribute : attributes)
    {
        if (attribute.id == id)
            return &attribute;
    }
    return nullptr;
}

// Bytes per unit of attribute `id` on this maker's drives; 0 when not known.
uint64_t UnitBytes(Maker maker, uint8_t id)
{
    if (id == 246)
        return maker == Maker::crucialMicron ? 512 : 0;
    if (id != 241)
        return 0;
    switch (maker)
    {
    case Maker::intel:
    case Maker::toshibaHk4r:
        return 32ull << 20;
    case Maker::kingstonSanDisk:
        return 1ull << 30;
    default:
        return 0;
    }
}

uint8_t WearAttribute(Maker maker)
{
    switch (maker)
    {
    case Maker::samsung:
        return 177;
    case Maker::intel:
        return 233;
    case Maker::crucialMicron:
        return 202;
    default:
        return 0;
    }
}
} // namespace

void ApplyVendorAttributes(const std::wstring& model, const std::vector<CQSmartAttribute>& attributes,
                           CQDiskReading& reading)
{
    const Maker maker = MakerOf(model);
    for (uint8_t id : {uint8_t(246), uint8_t(241)})
    {
        const CQSmartAttribute* counter = Find(attributes, id);
        if (counter == nullptr)
            continue;
        const uint64_t unit = UnitBytes(maker, id);
        if (unit != 0)
        {
            reading.source = id == 246 ? CQHealthSource::attr246 : CQHealthSource::attr241;
            reading.hostBytesWritten = MultiplySaturated(counter->raw, unit);
            reading.rawWriteAttribute = 0;
            break;
        }
        if (reading.rawWriteAttribute == 0)
        {
            reading.rawWriteAttribute = id;
            reading.rawWriteValue = counter->raw;
        }
    }
    for (uint8_t id : {WearAttribute(maker), uint8_t(231)})
    {
        const CQSmartAttribute* wear = id != 0 ? Find(attributes, id) : nullptr;
        // The normalized value is the life left in percent; anything above 100 is not.
        if (wear != nullptr && wear->normalized <= 100)
        {
            reading.percentUsed = 100u - wear->normalized;
            reading.wearFromAttribute = true;
            break;
        }
    }
}
