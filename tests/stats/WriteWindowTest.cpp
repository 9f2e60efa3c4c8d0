// The minute of writes behind the heavy-writing alert: what counts after a long pause and when it ages out.
#include <gtest/gtest.h>

#include "stats/alerts/WriteWindow.h"

namespace
{
constexpr uint64_t kMiB = uint64_t(1) << 20;
}

TEST(WriteWindowTest, GrowthOverALongPauseKeepsTheMinutesShareUntilItAgesOut)
{
    CQWriteWindow window;
    window.Add(100, 0, {});
    // Two minutes without a tick (a busy window, a sleeping computer): only the last minute's half counts.
    window.Add(220, 120 * kMiB, {{3, 90 * kMiB}, {1, 30 * kMiB}});
    EXPECT_EQ(60 * kMiB, window.GetTotal());
    uint32_t index = 0;
    uint64_t bytes = 0;
    ASSERT_TRUE(window.GetLargestWriter(index, bytes));
    EXPECT_EQ(3u, index);
    EXPECT_EQ(45 * kMiB, bytes);

    // A clock that steps back counts as standing still.
    window.Add(200, kMiB, {{1, kMiB}});
    EXPECT_EQ(61 * kMiB, window.GetTotal());
    window.Add(279, 0, {});
    EXPECT_EQ(61 * kMiB, window.GetTotal());
    window.Add(280, 0, {});
    EXPECT_EQ(0u, window.GetTotal());
    EXPECT_FALSE(window.GetLargestWriter(index, bytes));
}
