// CQMemDC: buffered drawing in the target's coordinates, copied back within the clip box only.
#include <gtest/gtest.h>

#include "support/TestCanvas.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/MemDC.h"

namespace
{
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

TEST(MemDC, DrawingReachesTheTargetOnlyWhenTheObjectGoes)
{
    TestCanvas target(40, 40);
    target.Fill(kWhite);
    ::IntersectClipRect(target.Dc(), 10, 12, 30, 25);
    {
        CQMemDC dc(target.Dc());
        ASSERT_TRUE(dc.IsBuffering());
        EXPECT_NE(target.Dc(), dc.GetSafeHdc());
        EXPECT_EQ(10, dc.GetRect().left);
        EXPECT_EQ(12, dc.GetRect().top);
        EXPECT_EQ(30, dc.GetRect().right);
        EXPECT_EQ(25, dc.GetRect().bottom);

        CQBrush red(::CreateSolidBrush(kRed));
        RECT all = {0, 0, 40, 40};
        ::FillRect(dc, &all, red.Get());
        ::SetPixel(dc, 15, 20, RGB(0, 0, 255)); // target coordinates
        EXPECT_EQ(kWhite, target.Pixel(15, 15)) << "nothing reaches the target before the copy";
    }
    EXPECT_TRUE(target.AllPixels(RECT{10, 12, 15, 20}, kRed));
    EXPECT_EQ(RGB(0, 0, 255), target.Pixel(15, 20));
    EXPECT_EQ(kWhite, target.Pixel(9, 12));
    EXPECT_EQ(kWhite, target.Pixel(10, 11));
    EXPECT_EQ(kWhite, target.Pixel(30, 24));
    EXPECT_EQ(kWhite, target.Pixel(29, 25));
    EXPECT_EQ(kRed, target.Pixel(29, 24));
}

TEST(MemDC, EmptyClipBoxPaintsDirectly)
{
    TestCanvas target(10, 10);
    target.Fill(kWhite);
    ::IntersectClipRect(target.Dc(), 5, 5, 5, 5);
    CQMemDC dc(target.Dc());
    EXPECT_FALSE(dc.IsBuffering());
    EXPECT_EQ(target.Dc(), dc.GetSafeHdc());
}
} // namespace
