#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

TEST(WindowGeometry, SizesFromTheUsableHeightOnAWideDisplay)
{
    const auto g = WindowGeometry::forUserArea({0, 0, 1920, 1020});
    EXPECT_EQ(g.width, 1440);
    EXPECT_EQ(g.height, 816);
    EXPECT_EQ(g.minimumWidth, 1028);
    EXPECT_EQ(g.minimumHeight, 582);
    EXPECT_EQ(g.maximumWidth, 2016);
    EXPECT_EQ(g.maximumHeight, 1142);
}

TEST(WindowGeometry, ShrinksToFitANarrowDisplayKeepingItsProportions)
{
    // A 5:4 display: the height alone would give a window 1445 wide.
    const auto g = WindowGeometry::forUserArea({0, 0, 1280, 1024});
    EXPECT_LE(g.width, 1280);
    EXPECT_GE(g.width, 1279);
    EXPECT_NEAR(static_cast<double>(g.height) / g.width, (1024 * 0.8) / (1024 * 24.0 / 17.0), 0.002);
    EXPECT_EQ(g.minimumWidth, static_cast<int>(static_cast<float>(g.width) / 1.4f));
    EXPECT_EQ(g.maximumHeight, static_cast<int>(static_cast<float>(g.height) * 1.4f));
}
