#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/CriticalSection.h"

TEST(CriticalSectionTest, EnterAndLeaveAreSkippedWhileNotInitialised)
{
    CQCriticalSection cs;
    EXPECT_FALSE(cs.IsInitialized());
    EXPECT_EQ(0, cs.Enter());
    cs.Leave();
    {
        CQLock guard(cs);
    }

    cs.Init();
    cs.Init(); // a second call must not re-create a section that may be in use
    ASSERT_TRUE(cs.IsInitialized());
    EXPECT_EQ(1, cs.Enter());
    cs.Leave();

    cs.Delete();
    cs.Delete();
    EXPECT_FALSE(cs.IsInitialized());
    EXPECT_EQ(0, cs.Enter());
}

TEST(CriticalSectionTest, GuardLeavesOnlyWhatItEntered)
{
    CQCriticalSection cs;
    {
        CQLock guard(cs); // not initialised: nothing entered
        cs.Init();
    } // must not leave a section it never entered
    std::atomic<bool> entered{false};
    std::thread other(
        [&]
        {
            CQLock guard(cs);
            entered = true;
        });
    other.join();
    EXPECT_TRUE(entered) << "the section was left owned by the first guard";
}

TEST(CriticalSectionTest, GuardExcludesOtherThreads)
{
    CQCriticalSection cs;
    cs.Init();
    std::atomic<bool> entered{false};
    std::thread other;
    {
        CQLock guard(cs);
        other = std::thread(
            [&]
            {
                CQLock inner(cs);
                entered = true;
            });
        Sleep(50);
        EXPECT_FALSE(entered) << "another thread entered while the guard was held";
    }
    other.join();
    EXPECT_TRUE(entered);
}
