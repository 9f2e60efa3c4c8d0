// Little-endian fields of a drive's answer, read byte by byte so that any offset and alignment works.
// The caller has checked that the bytes lie within what was returned.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint64_t ReadLittleEndian(const uint8_t* bytes, size_t count)
{
    uint64_t value = 0;
    for (size_t i = count; i > 0; --i)
        value = (value << 8) | bytes[i - 1];
    return value;
}

inline uint16_t ReadU16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(ReadLittleEndian(bytes, 2));
}

inline uint32_t ReadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(ReadLittleEndian(bytes, 4));
}

inline uint64_t ReadU64(const uint8_t* bytes)
{
    return ReadLittleEndian(bytes, 8);
}

// A 128-bit counter, saturated to the largest 64-bit value: such counters may in principle outgrow 64 bits,
// and a figure that wrapped would read as a small one.
inline uint64_t ReadU128Saturated(const uint8_t* bytes)
{
    return ReadU64(bytes + 8) != 0 ? UINT64_MAX : ReadU64(bytes);
}

// a x b, or the largest value when the product does not fit.
inline uint64_t MultiplySaturated(uint64_t a, uint64_t b)
{
    if (a != 0 && b > UINT64_MAX / a)
        return UINT64_MAX;
    return a * b;
}
