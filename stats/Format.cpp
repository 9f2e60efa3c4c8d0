#include "stats/Format.h"

#include <cstdio>
#include <cwchar>

void FormatSize(uint64_t bytes, std::wstring& out)
{
    static const double kP = 1125899906842624.0; // 2^50
    static const double kT = 1099511627776.0;    // 2^40
    static const double kG = 1073741824.0;       // 2^30
    static const double kM = 1048576.0;          // 2^20
    static const double kK = 1024.0;

    double v = static_cast<double>(bytes);
    const wchar_t* unit = L" b";
    if (v > kP)
    {
        v /= kP;
        unit = L" Pb";
    }
    else if (v > kT)
    {
        v /= kT;
        unit = L" Tb";
    }
    else if (v > kG)
    {
        v /= kG;
        unit = L" Gb";
    }
    else if (v > kM)
    {
        v /= kM;
        unit = L" Mb";
    }
    else if (v > kK)
    {
        v /= kK;
        unit = L" Kb";
    }
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%.2f%ls", v, unit);
    out = buffer;
}

std::wstring FormatSize(uint64_t bytes)
{
    std::wstring text;
    FormatSize(bytes, text);
    return text;
}

std::wstring FormatDuration(int64_t seconds)
{
    const int64_t days = seconds / 86400;
    const long hours = static_cast<long>(seconds / 3600 - days * 24);
    const long minutes = static_cast<long>(seconds / 60 - (seconds / 3600) * 60);
    const long secs = static_cast<long>(seconds - (seconds / 60) * 60);
    wchar_t buffer[64];
    swprintf(buffer, 64, L"%I64d %02ld:%02ld:%02ld", static_cast<long long>(days), hours, minutes, secs);
    return buffer;
}

std::wstring FormatCount(uint64_t count)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%I64u", static_cast<unsigned long long>(count));
    return buffer;
}

std::wstring FormatSignedCount(int64_t count)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%I64d", static_cast<long long>(count));
    return buffer;
}
