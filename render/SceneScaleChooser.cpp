#include "render/SceneScaleChooser.h"

#include <algorithm>
#include <cmath>

namespace {

// Slower than this share of the target's frame time, the scale goes down;
// faster than the other, it may come up. A new scale aims at the third.
constexpr double TooSlow = 1.05;
constexpr double Roomy = 0.70;
constexpr double Aim = 0.80;
// A scale found too slow is not tried again for this long at first, twice
// as long each time a climb back proves too slow, up to the longest.
constexpr double FirstHoldSeconds = 8.0;
constexpr double LongestHoldSeconds = 120.0;
// One climb goes up by at most this much.
constexpr float LargestClimb = 0.125f;

float downToStep(float scale)
{
    return std::floor(scale / CSceneScaleChooser::Step + 1e-4f) * CSceneScaleChooser::Step;
}

double median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

float upToStep(float scale)
{
    return std::ceil(scale / CSceneScaleChooser::Step - 1e-4f) * CSceneScaleChooser::Step;
}

} // namespace

float lowestSceneScale(int width, int height)
{
    if (width <= 0 || height <= 0)
        return CSceneScaleChooser::MinimumScale;
    const float widthShare = static_cast<float>(CSceneScaleChooser::LowestSceneWidth) / static_cast<float>(width);
    const float heightShare = static_cast<float>(CSceneScaleChooser::LowestSceneHeight) / static_cast<float>(height);
    // Both sides at least the smallest scene's, on the scale's own steps.
    return std::min(upToStep(std::max(widthShare, heightShare)), CSceneScaleChooser::MinimumScale);
}

CSceneScaleChooser::CSceneScaleChooser(std::optional<float> fixedScale, double targetFramesPerSecond)
    : fixed(fixedScale.has_value()),
      targetSeconds(1.0 / std::clamp(targetFramesPerSecond, 1.0, 1000.0)),
      ceilingHold(FirstHoldSeconds)
{
    if (fixedScale)
        current = std::isfinite(*fixedScale) ? std::clamp(*fixedScale, MinimumScale, 1.0f) : 1.0f;
    window.reserve(WindowFrames);
}

void CSceneScaleChooser::addFrame(double seconds)
{
    if (fixed || !std::isfinite(seconds) || seconds < 0.0)
        return;
    // A frame after a long stall (a minimised window) says nothing about
    // the drawing; it is counted as a slow frame, not as minutes.
    clock += std::min(seconds, 1.0);
    if (settling > 0) {
        --settling;
        return;
    }
    window.push_back(seconds);
    if (static_cast<int>(window.size()) < WindowFrames)
        return;
    const double typical = median(window);
    window.clear();
    decide(typical, clock);
}

void CSceneScaleChooser::decide(double medianSeconds, double now)
{
    if (medianSeconds > targetSeconds * TooSlow) {
        if (current <= lowest)
            return;
        // The picture's cost grows with its pixels, the square of the scale;
        // the part that does not makes the guess fall short, and the next
        // window goes down again.
        const float wanted = downToStep(current * static_cast<float>(std::sqrt(targetSeconds * Aim / medianSeconds)));
        // A climb that proved too slow keeps the next climb away longer.
        if (now < ceilingUntil + ceilingHold && current >= ceiling - Step / 2)
            ceilingHold = std::min(ceilingHold * 2.0, LongestHoldSeconds);
        ceiling = current;
        ceilingUntil = now + ceilingHold;
        changeTo(std::clamp(wanted, lowest, current - Step));
        return;
    }
    if (medianSeconds < targetSeconds * Roomy && current < 1.0f) {
        float wanted = downToStep(current * static_cast<float>(std::sqrt(targetSeconds * Aim / medianSeconds)));
        wanted = std::min({wanted, current + LargestClimb, 1.0f});
        if (now < ceilingUntil)
            wanted = std::min(wanted, ceiling - Step);
        if (wanted > current)
            changeTo(wanted);
    }
}

void CSceneScaleChooser::changeTo(float scale)
{
    current = std::clamp(scale, lowest, 1.0f);
    ++changeCount;
    settling = SettleFrames;
}

void CSceneScaleChooser::fix(std::optional<float> fixedScale)
{
    fixed = fixedScale.has_value();
    if (fixedScale)
        current = std::isfinite(*fixedScale) ? std::clamp(*fixedScale, MinimumScale, 1.0f) : 1.0f;
    window.clear();
    settling = SettleFrames;
}

void CSceneScaleChooser::setPictureSize(int width, int height)
{
    const float newLowest = lowestSceneScale(width, height);
    if (newLowest == lowest)
        return;
    lowest = newLowest;
    if (!fixed && current < lowest)
        changeTo(lowest);
}
