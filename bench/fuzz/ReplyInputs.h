// Inputs of the reply-walk fuzzer: replies of the driver's layout (records with every kind of name, tag
// records with every substitute-name length, the memory flags, the '$' rule), changed in their lengths
// and bits, and replies of random bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Longest reply made: one page, so that every reply can end right before a guard page.
constexpr size_t kLongestFuzzReply = 4096;

// Reply index of a run.
std::vector<BYTE> MakeReply(uint64_t runSeed, uint64_t index);
