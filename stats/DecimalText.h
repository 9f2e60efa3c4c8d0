// Unsigned decimal numbers in text read back from a file or the registry: digits only, no sign, no blanks.
#pragma once

#include <cstdint>
#include <string_view>

// False for an empty text, anything but digits, or a value above `max`.
bool ParseDecimal(std::string_view text, uint64_t max, uint64_t& value);
