// The trailer of a saved file built field by field from its documented layout (data/SaveTrailer.h):
// the marker "TavSaved", the contents' length and the tag (64-bit little-endian), then the CRC-32C of
// everything before it.
#pragma once

#include <cstdint>
#include <string>

std::string DocumentedTrailer(const std::string& contents, uint64_t tag);
