#include <gtest/gtest.h>

#include <vector>

#include "data/PtrArray.h"

namespace
{
TEST(CQPtrArray, GrowsByFourThenAnEighthCappedAt1024)
{
    CQPtrArray<int> array;
    int value = 0;
    std::vector<int> capacities; // capacity after each growth
    int last = 0;
    for (int i = 0; i < 20000; ++i)
    {
        ASSERT_EQ(i, array.Add(&value));
        if (array.GetCapacity() != last)
        {
            last = array.GetCapacity();
            capacities.push_back(last);
        }
    }
    const std::vector<int> expectedStart = {1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64, 72};
    ASSERT_GE(capacities.size(), expectedStart.size());
    EXPECT_EQ(expectedStart, std::vector<int>(capacities.begin(), capacities.begin() + expectedStart.size()));
    // Every step follows from the count at the time of growing (count == old capacity here).
    for (size_t i = 1; i < capacities.size(); ++i)
    {
        int step = capacities[i - 1] / 8;
        step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
        EXPECT_EQ(capacities[i - 1] + step, capacities[i]) << "growth " << i << " from " << capacities[i - 1];
    }
    // From a count of 8192 on, the step is the cap.
    for (size_t i = 1; i < capacities.size(); ++i)
    {
        if (capacities[i - 1] >= 8192)
        {
            EXPECT_EQ(1024, capacities[i] - capacities[i - 1]) << "from " << capacities[i - 1];
        }
    }
    EXPECT_EQ(20000, array.GetSize());
}

TEST(CQPtrArray, SetSizeClearsNewSlotsAndShrinkingKeepsStorage)
{
    CQPtrArray<int> array;
    int a = 1, b = 2;
    array.SetSize(3);
    EXPECT_EQ(3, array.GetCapacity());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nullptr, array[i]) << i;
    array[0] = &a;
    array[2] = &b;

    array.SetSize(1);
    EXPECT_EQ(1, array.GetSize());
    EXPECT_EQ(3, array.GetCapacity());
    // Growing back within the capacity must not bring the old pointer back.
    array.SetSize(3);
    EXPECT_EQ(&a, array[0]);
    EXPECT_EQ(nullptr, array[1]);
    EXPECT_EQ(nullptr, array[2]);

    // Beyond the capacity: larger of the request and capacity + 4; old slots copied.
    array.SetSize(5);
    EXPECT_EQ(7, array.GetCapacity());
    EXPECT_EQ(&a, array[0]);
    array.SetSize(40);
    EXPECT_EQ(40, array.GetCapacity());
    EXPECT_EQ(&a, array[0]);
    EXPECT_EQ(nullptr, array[39]);

    array.SetSize(0);
    EXPECT_EQ(0, array.GetSize());
    EXPECT_EQ(0, array.GetCapacity());
    EXPECT_EQ(nullptr, array.GetData());
}

TEST(CQPtrArray, RemoveAtClosesTheGapWithoutDeleting)
{
    int values[5] = {0, 1, 2, 3, 4};
    CQPtrArray<int> array;
    for (int& v : values)
        array.Add(&v);
    array.RemoveAt(1, 2);
    ASSERT_EQ(3, array.GetSize());
    EXPECT_EQ(&values[0], array[0]);
    EXPECT_EQ(&values[3], array[1]);
    EXPECT_EQ(&values[4], array[2]);
    array.RemoveAt(2);
    ASSERT_EQ(2, array.GetSize());
    EXPECT_EQ(&values[3], array.GetAt(1));
}

struct Tracked
{
    Tracked(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    ~Tracked() { m_log.push_back(m_id); }
    std::vector<int>& m_log;
    int m_id;
};

TEST(CQPtrAutoArray, RemoveAllDeletesFirstToLastAndKeepsStorage)
{
    std::vector<int> deleted;
    CQPtrAutoArray<Tracked> array;
    for (int i = 0; i < 6; ++i)
        array.Add(new Tracked(deleted, i));
    array.Add(nullptr); // an empty slot is skipped
    const int capacity = array.GetCapacity();
    array.RemoveAll();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), deleted);
    EXPECT_EQ(0, array.GetSize());
    EXPECT_EQ(capacity, array.GetCapacity());
}

TEST(CQPtrAutoArray, DestructorDeletesElementsAndDeleteAtKeepsOrder)
{
    std::vector<int> deleted;
    {
        CQPtrAutoArray<Tracked> array;
        for (int i = 0; i < 4; ++i)
            array.Add(new Tracked(deleted, i));
        array.DeleteAt(1);
        EXPECT_EQ(std::vector<int>{1}, deleted);
        ASSERT_EQ(3, array.GetSize());
        EXPECT_EQ(2, array[1]->m_id);
    }
    EXPECT_EQ((std::vector<int>{1, 0, 2, 3}), deleted);
}
} // namespace
