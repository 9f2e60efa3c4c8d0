// A short run of the system file events fuzzer (bench_event_fuzz runs it long): hostile payloads against
// guard pages through the translation, the inbox copy and the replies.
#include <gtest/gtest.h>

#include "support/FileEventFuzz.h"

TEST(FileEventFuzzTest, HostileEventsNeitherOverreadNorMakeBrokenRecords)
{
    for (uint32_t seed : {1u, 2u, 3u})
    {
        EventFuzzFigures figures;
        std::string failure;
        ASSERT_TRUE(FuzzFileEvents(seed, 20000, figures, failure)) << "seed " << seed << ": " << failure;
        EXPECT_GT(figures.NamedWrites, 0u) << "seed " << seed;
        EXPECT_GT(figures.Records, 0u) << "seed " << seed;
        EXPECT_GT(figures.Malformed, 0u) << "seed " << seed;
    }
}
