// Text forms of the program's byte counts, durations and counts.
#pragma once

#include <cstdint>
#include <string>

// A byte count with a unit of powers of 1024: "0.00 b", "1.50 Kb", "16384.00 Pb".
std::wstring FormatSize(uint64_t bytes);
void FormatSize(uint64_t bytes, std::wstring& out);

// Seconds as days and time of day, "%D %H:%M:%S": "1 01:01:01".
std::wstring FormatDuration(int64_t seconds);

// Plain decimal counts ("%I64u" and "%I64d").
std::wstring FormatCount(uint64_t count);
std::wstring FormatSignedCount(int64_t count);
