#pragma once
// The throttle on the debris impact sound: at most one sound per 0.05 s for
// the whole world, only for contacts that press in deeper than 0.05, louder
// for deeper contacts and panned by where on the board's width they happen.
#include "physics/ImpactSoundSink.h"

class CImpactSound {
public:
    static constexpr float Cooldown = 0.05f;
    static constexpr double MinimumDepth = 0.05;

    explicit CImpactSound(CImpactSoundSink* sink = nullptr) : sink(sink) {}

    void setSink(CImpactSoundSink* newSink) { sink = newSink; }

    // One contact of a step: depth of penetration and the contact point's x.
    void contact(double depth, double x);
    // Time passes, whether or not the world moved.
    void runDown(double dt);

    float cooldown() const { return remaining; }
    // Closed again, as at the start.
    void reset() { remaining = Cooldown; }

private:
    CImpactSoundSink* sink;
    // Starts closed, so that nothing sounds in the very first steps.
    float remaining = Cooldown;
};
