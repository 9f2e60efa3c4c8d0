// A small deterministic generator: every input of a fuzzing run is made from (run seed, input index), so
// any input can be made again on its own, by the supervisor for a finding or by hand.
#pragma once

#include <cstddef>
#include <cstdint>

class FuzzRandom
{
public:
    FuzzRandom(uint64_t seed, uint64_t index) : m_state(seed * 0x9E3779B97F4A7C15ULL ^ (index + 1))
    {
        Next();
    }

    // splitmix64.
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 to bound - 1 (0 when bound is 0).
    size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(Next() % bound); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    template <class T, size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    uint64_t m_state;
};
