#include "app/FixedStep.h"
#include "platform/FrameTimer.h"

#include <gtest/gtest.h>

namespace {

int stepsFor(float& accumulator, double dt)
{
    return advanceFixedSteps(accumulator, dt, [](float step) { EXPECT_EQ(step, StepLength); });
}

} // namespace

TEST(FixedSteps, RunWholeStepsAndCarryTheRest)
{
    float accumulator = 0.0f;
    EXPECT_EQ(stepsFor(accumulator, 0.025), 2);
    EXPECT_NEAR(accumulator, 0.005f, 1e-6f);

    // Exactly one step's worth is not enough: the test is strict.
    accumulator = 0.0f;
    EXPECT_EQ(stepsFor(accumulator, 0.01), 0);
    EXPECT_NEAR(accumulator, 0.01f, 1e-7f);
    EXPECT_EQ(stepsFor(accumulator, 0.001), 1);
}

TEST(FixedSteps, LongPauseIsCaughtUpHundredStepsPerFrame)
{
    float accumulator = 0.0f;
    EXPECT_EQ(stepsFor(accumulator, 3.0), 100);
    EXPECT_NEAR(accumulator, 2.0f, 1e-4f);
    EXPECT_EQ(stepsFor(accumulator, 0.0), 100);
    EXPECT_NEAR(accumulator, 1.0f, 1e-4f);

    // Ten seconds minimised: the backlog drains over the next frames.
    accumulator = 0.0f;
    int frames = 0;
    int steps = stepsFor(accumulator, 10.0);
    while (steps == 100 && frames < 1000) {
        steps = stepsFor(accumulator, 1.0 / 60.0);
        ++frames;
    }
    EXPECT_GE(frames, 10);
    EXPECT_LE(frames, 12);
    EXPECT_LT(accumulator, 0.05f);
}

TEST(FixedSteps, ATimerWithZeroFrequencyMeansNoTimePassesAndNoStepRuns)
{
    int64_t now = 0;
    CFrameTimer timer([&] { return now; }, 0);
    float accumulator = 0.0f;
    for (int frame = 0; frame < 10; ++frame) {
        now += 123456;
        timer.tick();
        EXPECT_EQ(timer.delta, 0.0);
        EXPECT_EQ(stepsFor(accumulator, timer.delta), 0);
    }
}
