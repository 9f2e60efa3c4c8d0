// Hostile system file events for the translation: valid events of every kind cut short, lengthened and
// scrambled, and events of random bytes, each payload placed so that its last byte lies right before a
// no-access page. Each event goes through the translation directly and through a source (the inbox copy
// from the EVENT_RECORD, moved against a no-access page again before it is translated, then the replies),
// whose replies must walk cleanly. A read outside a payload ends the process. Shared by the suite's short run
// and the benchmark's long one.
#pragma once

#include <cstdint>
#include <string>

struct EventFuzzFigures
{
    uint64_t Events = 0;
    uint64_t PayloadBytes = 0;
    uint64_t Writes = 0;
    uint64_t NamedWrites = 0;
    uint64_t Records = 0;
    uint64_t Malformed = 0;
};

// False, with what went wrong in failure, when a reply did not walk cleanly or a record broke a rule.
bool FuzzFileEvents(uint32_t seed, uint64_t count, EventFuzzFigures& figures, std::string& failure);
