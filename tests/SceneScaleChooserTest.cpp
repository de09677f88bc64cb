// The scene's scale chosen from frame times, against simulated machines: a
// frame costs a part that does not depend on the pixels and a part that
// grows with the square of the scale, with a little jitter. The chooser must
// find a scale that holds 30 frames a second where one exists, stay at 1 on
// a machine that keeps up, go no lower than 0.5 on one that never does (in
// a window of 800 x 600 or less; a larger one goes down to a scene of about
// 400 x 300 pixels), and then hold still instead of pumping.
#include "render/SceneScaleChooser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

struct Machine {
    double fixedSeconds;     // whatever the scale
    double fullSceneSeconds; // the scene's pixels at scale 1
};

struct SimulatedRun {
    std::vector<float> scales; // the scale of every frame
    int changes = 0;
    int changesInLastMinute = 0;
    double medianLastMinute = 0.0;
};

// Runs the chooser for `seconds` of simulated frames on the machine.
SimulatedRun simulate(const Machine& machine, double seconds, std::optional<float> fixed = std::nullopt,
                      int width = 800, int height = 600)
{
    CSceneScaleChooser chooser(fixed);
    chooser.setPictureSize(width, height);
    SimulatedRun run;
    uint32_t noise = 12345;
    double clock = 0.0;
    std::vector<double> lastMinute;
    int changesBefore = -1;
    while (clock < seconds) {
        const float s = chooser.scale();
        noise = noise * 1664525u + 1013904223u;
        const double jitter = 0.9 + 0.2 * static_cast<double>(noise >> 8) / static_cast<double>(1u << 24);
        const double frame = (machine.fixedSeconds + machine.fullSceneSeconds * s * s) * jitter;
        clock += frame;
        chooser.addFrame(frame);
        run.scales.push_back(s);
        if (clock > seconds - 60.0) {
            lastMinute.push_back(frame);
            if (changesBefore < 0)
                changesBefore = chooser.changes();
        }
    }
    run.changes = chooser.changes();
    run.changesInLastMinute = chooser.changes() - std::max(changesBefore, 0);
    std::nth_element(lastMinute.begin(), lastMinute.begin() + static_cast<std::ptrdiff_t>(lastMinute.size() / 2),
                     lastMinute.end());
    run.medianLastMinute = lastMinute[lastMinute.size() / 2];
    return run;
}

bool allWithinRange(const SimulatedRun& run)
{
    return std::all_of(run.scales.begin(), run.scales.end(), [](float s) { return s >= 0.5f && s <= 1.0f; });
}

TEST(SceneScaleChooser, ASlowMachineFindsAScaleThatHoldsThirtyFramesAndKeepsIt)
{
    // 62 ms a frame at full size, 24 ms at half: somewhere between lies 30 fps.
    const SimulatedRun run = simulate({0.0115, 0.050}, 180.0);
    EXPECT_TRUE(allWithinRange(run));
    EXPECT_LT(run.scales.back(), 0.9f);
    EXPECT_GT(run.scales.back(), 0.55f);
    EXPECT_LE(run.medianLastMinute, 1.0 / 30.0) << "held at 30 frames a second or better";
    EXPECT_LE(run.changesInLastMinute, 3) << "settled, not pumping";
    EXPECT_LE(run.changes, 8);
}

TEST(SceneScaleChooser, AFastMachineNeverLeavesFullSize)
{
    const SimulatedRun run = simulate({0.004, 0.012}, 120.0);
    EXPECT_EQ(run.changes, 0);
    EXPECT_TRUE(std::all_of(run.scales.begin(), run.scales.end(), [](float s) { return s == 1.0f; }));
}

TEST(SceneScaleChooser, AMachineTooSlowEvenAtHalfSizeStopsAtHalf)
{
    const SimulatedRun run = simulate({0.060, 0.100}, 120.0);
    EXPECT_TRUE(allWithinRange(run));
    EXPECT_EQ(run.scales.back(), 0.5f);
    EXPECT_LE(run.changesInLastMinute, 0);
}

TEST(SceneScaleChooser, TheLowestScaleKeepsASceneOfAboutFourHundredByThreeHundred)
{
    struct Case {
        int width, height;
        float lowest;
    };
    // Half up to 800 x 600; beyond, the side that reaches its least pixels
    // first decides, rounded up to the scale's steps.
    for (const Case& c : {Case{320, 240, 0.5f}, Case{800, 600, 0.5f}, Case{1280, 1024, 10.0f / 32},
                          Case{1920, 1080, 9.0f / 32}, Case{2560, 1080, 9.0f / 32}, Case{2560, 1440, 7.0f / 32},
                          Case{0, 600, 0.5f}, Case{-5, -5, 0.5f}}) {
        const float lowest = lowestSceneScale(c.width, c.height);
        EXPECT_EQ(lowest, c.lowest) << c.width << " x " << c.height;
        if (c.width >= 800 && c.height >= 600) {
            EXPECT_GE(lowest * float(c.width), 400.0f) << c.width << " x " << c.height;
            EXPECT_GE(lowest * float(c.height), 300.0f) << c.width << " x " << c.height;
        }
    }
}

TEST(SceneScaleChooser, ALargeWindowOnASlowMachineGoesBelowHalfButNoLowerThanItsFloor)
{
    // The same machine at 1920 x 1080: too slow at half, it finds 30 frames
    // a second further down; a hopeless one stops at the floor, not at 0.
    const SimulatedRun found = simulate({0.012, 0.150}, 180.0, std::nullopt, 1920, 1080);
    EXPECT_LT(found.scales.back(), 0.5f);
    EXPECT_GE(found.scales.back(), lowestSceneScale(1920, 1080));
    EXPECT_LE(found.medianLastMinute, 1.0 / 30.0);
    EXPECT_LE(found.changesInLastMinute, 3);
    const SimulatedRun hopeless = simulate({0.060, 0.300}, 120.0, std::nullopt, 1920, 1080);
    EXPECT_EQ(hopeless.scales.back(), lowestSceneScale(1920, 1080));
    // Back to a small window: the scale comes up to that window's floor at
    // once; a fixed scale stays as the player set it.
    CSceneScaleChooser chooser;
    chooser.setPictureSize(1920, 1080);
    for (int i = 0; i < 600; ++i)
        chooser.addFrame(0.2);
    EXPECT_EQ(chooser.scale(), lowestSceneScale(1920, 1080));
    chooser.setPictureSize(800, 600);
    EXPECT_EQ(chooser.scale(), 0.5f);
    CSceneScaleChooser fixed(0.5f);
    fixed.setPictureSize(1920, 1080);
    EXPECT_EQ(fixed.scale(), 0.5f);
}

TEST(SceneScaleChooser, AMachineThatSpeedsUpClimbsBackToFullSize)
{
    CSceneScaleChooser chooser;
    // Slow for a while (another program busy), then fast again.
    for (int i = 0; i < 300; ++i)
        chooser.addFrame(0.015 + 0.05 * chooser.scale() * chooser.scale());
    const float whileSlow = chooser.scale();
    for (int i = 0; i < 3000; ++i)
        chooser.addFrame(0.004 + 0.010 * chooser.scale() * chooser.scale());
    EXPECT_LT(whileSlow, 1.0f);
    EXPECT_EQ(chooser.scale(), 1.0f);
}

TEST(SceneScaleChooser, AFixedScaleIsKeptWithinHalfToWholeAndOddTimesAreIgnored)
{
    EXPECT_EQ(simulate({0.060, 0.100}, 20.0, 0.75f).changes, 0);
    EXPECT_EQ(CSceneScaleChooser(0.75f).scale(), 0.75f);
    EXPECT_EQ(CSceneScaleChooser(0.2f).scale(), 0.5f);
    EXPECT_EQ(CSceneScaleChooser(3.0f).scale(), 1.0f);
    CSceneScaleChooser adapting;
    for (double odd : {-1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        for (int i = 0; i < 100; ++i)
            adapting.addFrame(odd);
    EXPECT_EQ(adapting.scale(), 1.0f);
    // One long stall among quick frames (a window restored after minutes) is
    // a single slow frame in a window of quick ones, not a reason to shrink.
    for (int i = 0; i < 100; ++i)
        adapting.addFrame(i == 50 ? 600.0 : 0.01);
    EXPECT_EQ(adapting.scale(), 1.0f);
}

} // namespace
