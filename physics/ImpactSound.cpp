#include "physics/ImpactSound.h"

#include <algorithm>
#include <cmath>

namespace {
// A brick flung far away or a wild contact must not turn into an undefined
// float-to-int conversion; the sound layer clamps to its own range anyway.
int toSoundValue(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(value, -1.0e6, 1.0e6)));
}
}

void CImpactSound::contact(double depth, double x)
{
    depth = std::fabs(depth);
    if (remaining > 0.0f || !(depth > MinimumDepth))
        return;
    remaining = Cooldown;
    if (!sink)
        return;
    sink->playImpact(toSoundValue(depth * 400.0), toSoundValue((x - 5.0) * 10.0));
}

void CImpactSound::runDown(double dt)
{
    if (remaining > 0.0f)
        remaining = static_cast<float>(remaining - dt);
}
