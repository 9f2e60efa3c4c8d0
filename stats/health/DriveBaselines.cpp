#include "stats/health/DriveBaselines.h"

#include <string>

#include "app/Log.h"
#include "app/Registry.h"
#include "stats/DecimalText.h"
#include "stats/health/DriveRatings.h"
#include "stats/history/DayNumber.h"

std::wstring FormatDriveBaseline(const CQDriveBaseline& baseline)
{
    return FormatDayNumber(baseline.day) + L" " + std::to_wstring(baseline.written) + L" " +
           std::to_wstring(baseline.measured);
}

bool ParseDriveBaseline(const std::wstring& text, CQDriveBaseline& baseline)
{
    // Anything beyond ASCII cannot be part of the form.
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    const size_t first = narrow.find(' ');
    const size_t second = first == std::string::npos ? first : narrow.find(' ', first + 1);
    if (second == std::string::npos)
        return false;
    const std::string_view view(narrow);
    CQDriveBaseline parsed;
    if (!ParseDayNumber(narrow.substr(0, first), parsed.day) ||
        !ParseDecimal(view.substr(first + 1, second - first - 1), UINT64_MAX, parsed.written) ||
        !ParseDecimal(view.substr(second + 1), UINT64_MAX, parsed.measured))
        return false;
    baseline = parsed;
    return true;
}

bool LoadDriveBaseline(const std::wstring& serial, CQDriveBaseline& baseline)
{
    const std::wstring name = SerialValueName(serial);
    CQRegistry* store = GetSettingsStore();
    if (name.empty() || store == nullptr)
        return false;
    const std::wstring text = store->GetString(kDriveBaselinesSection, name.c_str(), L"");
    if (text.empty())
        return false;
    if (ParseDriveBaseline(text, baseline))
        return true;
    LogLine(L"Drive health: the comparison of drive " + name + L" starts again (its stored start \"" +
            text.substr(0, 80) + L"\" is not understood)");
    return false;
}

void StoreDriveBaseline(const std::wstring& serial, const CQDriveBaseline& baseline)
{
    const std::wstring name = SerialValueName(serial);
    if (CQRegistry* store = GetSettingsStore(); store != nullptr && !name.empty())
        store->SetString(kDriveBaselinesSection, name.c_str(), FormatDriveBaseline(baseline).c_str());
}
