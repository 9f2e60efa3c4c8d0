// The minute and the hour of writes behind the heavy-writing alerts: what counts after a long pause and
// when it ages out.
#include <gtest/gtest.h>

#include "stats/alerts/WriteWindow.h"

namespace
{
constexpr uint64_t kMiB = uint64_t(1) << 20;
}

TEST(WriteWindowTest, GrowthOverALongPauseKeepsTheMinutesShareUntilItAgesOut)
{
    CQWriteWindow window(60, 1);
    window.Add(100, 0, {});
    // Two minutes without a tick (a busy window, a sleeping computer): only the last minute's half counts.
    window.Add(220, 120 * kMiB, {{3, 90 * kMiB}, {1, 30 * kMiB}});
    EXPECT_EQ(60 * kMiB, window.GetTotal());
    std::vector<CQWriteWindow::ProcessBytes> writers = window.GetWriters();
    ASSERT_EQ(2u, writers.size());
    EXPECT_EQ(3u, writers[0].m_dwordIndex);
    EXPECT_EQ(45 * kMiB, writers[0].m_qwordBytes);
    EXPECT_EQ(15 * kMiB, writers[1].m_qwordBytes);

    // A clock that steps back counts as standing still.
    window.Add(200, kMiB, {{1, kMiB}});
    EXPECT_EQ(61 * kMiB, window.GetTotal());
    window.Add(279, 0, {});
    EXPECT_EQ(61 * kMiB, window.GetTotal());
    window.Add(280, 0, {});
    EXPECT_EQ(0u, window.GetTotal());
    EXPECT_TRUE(window.GetWriters().empty());
}

TEST(WriteWindowTest, AnHourInMinutesKeepsWhatWasWrittenInItsLastSixtyMinuteSlots)
{
    CQWriteWindow hour(60, 60);
    EXPECT_EQ(3600, hour.GetSeconds());
    hour.Add(0, 0, {});
    // 10 MiB at the start of each of 61 minutes: the window that ends in minute 60 holds minutes 1 to 60.
    for (int64_t minute = 0; minute <= 60; ++minute)
        hour.Add(minute * 60 + 5, 10 * kMiB, {{minute % 2 == 0 ? 0u : 1u, 10 * kMiB}});
    EXPECT_EQ(600 * kMiB, hour.GetTotal());
    const std::vector<CQWriteWindow::ProcessBytes> writers = hour.GetWriters();
    ASSERT_EQ(2u, writers.size());
    // Minutes 1 to 60: thirty odd and thirty even ones; equal bytes put the lower index first.
    EXPECT_EQ(0u, writers[0].m_dwordIndex);
    EXPECT_EQ(300 * kMiB, writers[0].m_qwordBytes);
    EXPECT_EQ(300 * kMiB, writers[1].m_qwordBytes);
    // Later in the same minute nothing ages out; a minute on, minute 1 does.
    hour.Add(60 * 60 + 59, 0, {});
    EXPECT_EQ(600 * kMiB, hour.GetTotal());
    hour.Add(61 * 60, 0, {});
    EXPECT_EQ(590 * kMiB, hour.GetTotal());
}
