// The long run of the system file events fuzzer (the suite runs it briefly): hostile events against guard
// pages through the translation, the inbox copy and the replies. Usage: bench_event_fuzz [events] [first
// seed]. Prints what it played and how fast; a read outside a payload ends the program with an access
// violation, a broken record or reply with a message and exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/FileEventFuzz.h"

namespace
{
// Events per seed: a crash is reproduced with the seed it names.
constexpr uint64_t kChunk = 100000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}
} // namespace

int main(int argc, char** argv)
{
    const uint64_t events = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 5000000;
    const uint32_t firstSeed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1;

    EventFuzzFigures total;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    uint32_t seed = firstSeed;
    for (uint64_t done = 0; done < events; done += kChunk, ++seed)
    {
        const uint64_t count = events - done < kChunk ? events - done : kChunk;
        std::fprintf(stderr, "\rseed %u", seed);
        EventFuzzFigures figures;
        std::string failure;
        if (!FuzzFileEvents(seed, count, figures, failure))
        {
            std::printf("\nFAILED with seed %u: %s\n", seed, failure.c_str());
            return 1;
        }
        total.Events += figures.Events;
        total.PayloadBytes += figures.PayloadBytes;
        total.Writes += figures.Writes;
        total.NamedWrites += figures.NamedWrites;
        total.Records += figures.Records;
        total.Malformed += figures.Malformed;
    }
    QueryPerformanceCounter(&end);
    const double seconds = Seconds(start, end);
    std::fprintf(stderr, "\n");
    std::printf("seeds %u to %u: %llu events, %.1f MB of payloads, in %.2f s (%.0f events/s)\n", firstSeed,
                seed - 1, static_cast<unsigned long long>(total.Events),
                static_cast<double>(total.PayloadBytes) / 1e6, seconds,
                seconds > 0 ? static_cast<double>(total.Events) / seconds : 0.0);
    std::printf(
        "writes %llu (%llu named), records passed on %llu, malformed events %llu, no overread\n",
        static_cast<unsigned long long>(total.Writes), static_cast<unsigned long long>(total.NamedWrites),
        static_cast<unsigned long long>(total.Records), static_cast<unsigned long long>(total.Malformed));
    return 0;
}
