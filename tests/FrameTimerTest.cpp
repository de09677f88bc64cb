#include "platform/FrameTimer.h"

#include <gtest/gtest.h>

TEST(FrameTimer, MeasuresDeltasAndTotals)
{
    int64_t now = 1000;
    CFrameTimer timer([&] { return now; }, 100);
    now += 50;
    timer.tick();
    EXPECT_DOUBLE_EQ(timer.delta, 0.5);
    now += 25;
    timer.tick();
    EXPECT_DOUBLE_EQ(timer.delta, 0.25);
    EXPECT_DOUBLE_EQ(timer.total, 0.75);
    EXPECT_EQ(timer.ticks, 2);

    timer.reset();
    EXPECT_EQ(timer.ticks, 0);
    EXPECT_DOUBLE_EQ(timer.total, 0.0);
}
