#pragma once
// Chooses the share of the window's width and height the 3D scene is drawn
// at, from the measured time of the frames: a machine that cannot hold the
// target rate draws the scene at fewer pixels (never below half the width
// and height), one that keeps up stays at the full size.
//
// The decision is made on the median of a window of frames, so a single slow
// frame (a file saved, a debris burst) changes nothing. The thresholds for
// going down and coming back up are far apart, and a scale once found too
// slow is not tried again for a while (longer each time it proves too slow
// again), so the picture settles instead of pumping between two sizes.
//
// With a fixed scale (the settings chose one) the chooser only keeps it.
#include <optional>
#include <vector>

class CSceneScaleChooser {
public:
    static constexpr float MinimumScale = 0.5f;
    // Scales are multiples of this step, so nearby measurements agree.
    static constexpr float Step = 1.0f / 32.0f;
    // Frames measured before a decision, and frames skipped after a change
    // (the first frames at a new size are not yet typical).
    static constexpr int WindowFrames = 24;
    static constexpr int SettleFrames = 4;

    // No fixed scale: adapt, starting at 1. A fixed scale is kept within
    // 0.5..1.
    explicit CSceneScaleChooser(std::optional<float> fixedScale = std::nullopt, double targetFramesPerSecond = 30.0);

    // One drawn frame took this many seconds, from the start of the previous
    // drawn frame to the start of this one.
    void addFrame(double seconds);

    // The player chose a scale (kept within 0.5..1), or none to adapt again
    // from the scale in use; either way the measuring starts afresh.
    void fix(std::optional<float> fixedScale);

    float scale() const { return current; }
    bool adapting() const { return !fixed; }
    // How often the scale changed.
    int changes() const { return changeCount; }

private:
    void decide(double medianSeconds, double now);
    void changeTo(float scale);

    bool fixed = false;
    double targetSeconds;
    float current = 1.0f;
    int changeCount = 0;
    int settling = 0;
    std::vector<double> window;
    // Seconds of frames measured so far: the chooser's own clock.
    double clock = 0.0;
    // The smallest scale found too slow, and until when it is not tried again.
    float ceiling = 2.0f;
    double ceilingUntil = 0.0;
    double ceilingHold;
};
