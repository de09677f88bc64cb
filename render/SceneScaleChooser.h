#pragma once
// Chooses the share of the window's width and height the 3D scene is drawn
// at, from the measured time of the frames: a machine that cannot hold the
// target rate draws the scene at fewer pixels, one that keeps up stays at the
// full size. How low it may go follows a budget of scene pixels, not a share
// of the window: a small window stops at half its width and height, a large
// one goes on down to a scene of LowestSceneWidth x LowestSceneHeight, below
// which the well's cells and their edges smear into each other.
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

// The lowest scale a picture of this size (in pixels) may draw its scene
// at: half, or less where half would still be more than the smallest scene
// each way; half for a picture without area.
float lowestSceneScale(int width, int height);

class CSceneScaleChooser {
public:
    // The lowest a fixed scale goes, and a small window's lowest.
    static constexpr float MinimumScale = 0.5f;
    // The smallest scene an adapting large window draws, in pixels.
    static constexpr int LowestSceneWidth = 400;
    static constexpr int LowestSceneHeight = 300;
    // Scales are multiples of this step, so nearby measurements agree.
    static constexpr float Step = 1.0f / 32.0f;
    // Frames measured before a decision, and frames skipped after a change
    // (the first frames at a new size are not yet typical).
    static constexpr int WindowFrames = 24;
    static constexpr int SettleFrames = 4;

    // No fixed scale: adapt, starting at 1, no lower than half until told
    // the picture's size. A fixed scale is kept within 0.5..1.
    explicit CSceneScaleChooser(std::optional<float> fixedScale = std::nullopt, double targetFramesPerSecond = 30.0);

    // One drawn frame took this many seconds, from the start of the previous
    // drawn frame to the start of this one.
    void addFrame(double seconds);

    // The player chose a scale (kept within 0.5..1), or none to adapt again
    // from the scale in use; either way the measuring starts afresh.
    void fix(std::optional<float> fixedScale);

    // The picture the scene is stretched over has this size (in pixels):
    // the lowest scale follows it, and a scale below the new lowest is
    // raised to it. Cheap when the size stays.
    void setPictureSize(int width, int height);

    float scale() const { return current; }
    float lowestScale() const { return lowest; }
    bool adapting() const { return !fixed; }
    // How often the scale changed.
    int changes() const { return changeCount; }

private:
    void decide(double medianSeconds, double now);
    void changeTo(float scale);

    bool fixed = false;
    double targetSeconds;
    float lowest = MinimumScale;
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
